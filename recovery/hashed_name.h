// Hashed file names of a backup and where such a file lies.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace vesmar {

// Lower-case hexadecimal SHA-1 of the key's bytes (40 characters).
std::string HashedName(std::string_view key);

// The backup folder, then with the two-level layout the first two characters of the name as a
// sub-folder, then the name. Names come from manifests: one that could lead out of the folder
// (empty, "." or "..", or holding a separator or NUL) gives an empty path.
std::filesystem::path HashedFilePath(const std::filesystem::path& folder, std::string_view fileName,
                                     bool twoLevelLayout);

}  // namespace vesmar
