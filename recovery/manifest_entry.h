// One file listed in a backup's manifest.
#pragma once

#include <string>
#include <vector>

namespace vesmar {

struct ManifestEntry {
  std::string key;       // domain "-" relative path, UTF-8 bytes as stored
  std::string fileName;  // 40 lower-case hex digits: SHA-1 of the key, the file's name in the backup
};

using ManifestEntries = std::vector<ManifestEntry>;

}  // namespace vesmar
