// Destinations of the export: nothing that exists is ever replaced.
#pragma once

#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <string_view>

namespace vesmar {

// The path itself when nothing (file, folder or link) is there; otherwise the first of
// "name(1).ext", "name(2).ext", ... that is free. A path whose state cannot be read is
// returned as it is; creating it then fails rather than replacing anything.
std::filesystem::path MakeUniquePath(const std::filesystem::path& path);

// A new file created exclusively at MakeUniquePath(`path`), retrying when another writer takes
// the name first. On success `path` is the file's path and `file` is open for writing.
// Returns 0 or the system error code.
int CreateNewFile(std::filesystem::path& path, std::FILE*& file);

// Creates the new, empty file of CreateNewFile and closes it: the name is taken before a
// writer that does not create exclusively fills it. Returns 0 or the system error code.
int ReserveNewFile(std::filesystem::path& path);

// Removes `path` when it is an empty regular file (what is left of a reservation that was
// never filled).
void RemoveIfEmpty(const std::filesystem::path& path);

// Writes `parts` in order to a new file (CreateNewFile) or, with `replace`, to exactly `path`.
// Returns 0 or the system error code (what was written before a failure stays).
int WriteDocument(std::filesystem::path& path, std::initializer_list<std::string_view> parts,
                  bool replace = false);

}  // namespace vesmar
