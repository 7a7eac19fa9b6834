// Readers of the two manifest formats of a backup.
#pragma once

#include <filesystem>

#include "recovery/manifest_entry.h"

namespace vesmar {

// Appends the files and links of a "Manifest.mbdb" (folders and entries without a relative path
// are left out). 0; 87 for a bad magic or a file too large to hold; 6009 when it cannot be
// opened. A record that runs past the end of the file ends the read; entries before it stay.
int ReadMbdbManifest(const std::filesystem::path& path, ManifestEntries& out);

// Replaces `out` with every row of table Files of a "Manifest.db" (opened read-only, never
// changed). 0; the SQLite open code; 1006 when the query fails (rows read before it stay).
int ReadManifestDb(const std::filesystem::path& path, ManifestEntries& out);

}  // namespace vesmar
