// Asking SQLite whether a table of a database can be queried and how many columns its rows have.
// The database is opened read-only and immutable, so SQLite takes no lock, writes no journal and
// never folds a write-ahead log into the user's file; the query is prepared and never stepped, so
// a table of a million rows costs what an empty one does.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

namespace vesmar {

struct TableProbe {
  bool queryable = false;    // "SELECT * FROM table" compiles against the database's schema
  std::int32_t columns = 0;  // columns of its rows (the table's declared columns); 0 when not queryable
};

// Result: 0 when SQLite opened the database (a missing table, or a file that is not a database,
// leaves `probe.queryable` false); SQLite's code when it cannot open the file; 87 for an empty path.
int ProbeTable(const std::filesystem::path& database, std::string_view table, TableProbe& probe);

}  // namespace vesmar
