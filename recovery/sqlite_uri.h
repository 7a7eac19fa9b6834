// Opening a database of the user's backup through SQLite without any chance of changing it.
#pragma once

#include <filesystem>
#include <string>

namespace vesmar {

// A "file:" URI that opens the database read-only and immutable: SQLite then takes no locks,
// creates no journal and never checkpoints a write-ahead log into the file.
std::string ReadOnlySqliteUri(const std::filesystem::path& path);

}  // namespace vesmar
