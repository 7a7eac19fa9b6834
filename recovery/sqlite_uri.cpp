#include "recovery/sqlite_uri.h"

#include <cstdio>
#include <system_error>

namespace vesmar {

std::string ReadOnlySqliteUri(const std::filesystem::path& path) {
  std::error_code ec;
  auto full = std::filesystem::absolute(path, ec);
  if (ec) full = path;
  const std::string raw = full.string();
  std::string uri = "file:";
  for (const unsigned char c : raw) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                       c == '/' || c == '-' || c == '_' || c == '.' || c == '~';
    if (plain) {
      uri.push_back(static_cast<char>(c));
    } else {
      char buf[4];
      std::snprintf(buf, sizeof buf, "%%%02X", c);
      uri += buf;
    }
  }
  uri += "?mode=ro&immutable=1";
  return uri;
}

}  // namespace vesmar
