#include "platform/volumes.h"

#include <sys/statvfs.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <sstream>
#include <string>

namespace vesmar {

std::optional<std::uint64_t> FreeBytes(const std::filesystem::path& path) {
  struct statvfs st {};
  if (statvfs(path.c_str(), &st) != 0) return std::nullopt;
  return static_cast<std::uint64_t>(st.f_bavail) * st.f_frsize;
}

namespace {

// /proc/mounts escapes blanks and backslashes in paths as octal sequences.
std::string UnescapeMountField(std::string_view field) {
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      const auto a = field[i + 1], b = field[i + 2], c = field[i + 3];
      if (a >= '0' && a <= '7' && b >= '0' && b <= '7' && c >= '0' && c <= '7') {
        out.push_back(static_cast<char>((a - '0') * 64 + (b - '0') * 8 + (c - '0')));
        i += 3;
        continue;
      }
    }
    out.push_back(field[i]);
  }
  return out;
}

bool IsNetworkFileSystem(std::string_view type) {
  static constexpr std::array<std::string_view, 6> kTypes = {"nfs", "nfs4", "cifs", "smb3", "smbfs",
                                                             "fuse.sshfs"};
  return std::find(kTypes.begin(), kTypes.end(), type) != kTypes.end();
}

}  // namespace

std::vector<std::filesystem::path> ParseStorageMounts(std::string_view mountsText) {
  std::vector<std::filesystem::path> points;
  std::istringstream in{std::string(mountsText)};
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string source, target, type;
    if (!(fields >> source >> target >> type)) continue;
    const bool blockDevice = source.rfind("/dev/", 0) == 0 && type != "squashfs" && type != "iso9660";
    if (!blockDevice && !IsNetworkFileSystem(type)) continue;
    std::filesystem::path point = UnescapeMountField(target);
    if (std::find(points.begin(), points.end(), point) == points.end()) points.push_back(point);
  }
  return points;
}

std::vector<std::filesystem::path> StorageMountPoints() {
  std::ifstream in("/proc/self/mounts");
  std::stringstream text;
  text << in.rdbuf();
  return ParseStorageMounts(text.str());
}

}  // namespace vesmar
