// File operations with the error handling the recovery code relies on: none of them throws.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace vesmar {

bool FileExists(const std::filesystem::path& path);   // a regular file (or link to one)
bool FolderExists(const std::filesystem::path& path);
std::optional<std::uint64_t> FileSize(const std::filesystem::path& path);

// Creates the folder with all missing parents; true when it exists afterwards.
bool CreateFolders(const std::filesystem::path& folder);

// Deletes the regular files directly inside `folder`; sub-folders and their content stay.
void DeleteFilesIn(const std::filesystem::path& folder);

// Deletes one file if it is there; true when it is gone afterwards.
bool DeleteFileIfPresent(const std::filesystem::path& file);

// Removes `folder` with its whole content, depth first, without following links. The first
// entry that cannot be removed ends the removal of its folder, which then stays. Returns true
// when the folder is gone.
bool RemoveFolderTree(const std::filesystem::path& folder);

// Copies a file, replacing the destination; returns 0 or an errno value.
int CopyFileReplacing(const std::filesystem::path& from, const std::filesystem::path& to);

// Reads a whole file, refusing files larger than `limit` bytes.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path, std::uint64_t limit);

}  // namespace vesmar
