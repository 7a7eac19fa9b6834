#include "export/export_texts.h"

#include <cstdio>
#include <system_error>

#include "recovery/result_codes.h"

namespace vesmar {

std::string ExportStamp(std::time_t when) {
  std::tm tm{};
  if (!localtime_r(&when, &tm)) return "00000000000000";
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%04d%02d%02d%02d%02d%02d", tm.tm_year + 1900, tm.tm_mon + 1,
                tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
  return buffer;
}

std::string ItemErrorText(int code) {
  switch (code) {
    case result::kInvalid: return "The file could not be opened or created.";
    case result::kShortRead: return "The source file is shorter than its listed size.";
    default: return std::generic_category().message(code);
  }
}

}  // namespace vesmar
