#include "sqlite_recovery/date_text.h"

#include <cmath>
#include <cstdio>

#include "platform/text.h"

namespace vesmar {

std::u16string LocalDateText(std::int64_t unixSeconds) {
  std::tm tm{};
  const std::time_t t = static_cast<std::time_t>(unixSeconds);
  if (!localtime_r(&t, &tm)) {
    // Out of the calendar's range (only damaged values get here): show the epoch rather than
    // an empty date, so the record still sorts and displays.
    const std::time_t zero = 0;
    localtime_r(&zero, &tm);
  }
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1,
                tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
  return Utf8ToUtf16(buf);
}

std::u16string AppleDateText(std::int64_t appleSeconds) {
  // Keep the sum inside 64 bits for hostile values.
  constexpr std::int64_t kLimit = 1'000'000'000'000'000LL;
  if (appleSeconds > kLimit || appleSeconds < -kLimit) appleSeconds = 0;
  return LocalDateText(appleSeconds + kAppleEpochOffset);
}

std::u16string AppleDateTextFromDouble(double appleSeconds) {
  if (!std::isfinite(appleSeconds) || std::fabs(appleSeconds) > 1e15) appleSeconds = 0;
  return AppleDateText(static_cast<std::int64_t>(appleSeconds));
}

}  // namespace vesmar
