// Free space and the mounted volumes that can hold large working files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

namespace vesmar {

// Bytes the current user can still write on the volume holding `path`; nothing when the
// volume cannot be queried.
std::optional<std::uint64_t> FreeBytes(const std::filesystem::path& path);

// Mount points of the volumes that can hold files for us, in mount order: real block devices
// (local disks, removable media) and network file systems. Pseudo file systems are left out.
std::vector<std::filesystem::path> StorageMountPoints();

// The parsing half of StorageMountPoints, over the text of /proc/self/mounts.
std::vector<std::filesystem::path> ParseStorageMounts(std::string_view mountsText);

}  // namespace vesmar
