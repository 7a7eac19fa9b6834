// The schema table of a database as the page reader sees it, and the column count a table's
// CREATE TABLE statement declares.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vesmar {

class CSqliteRecoveryFile;

struct SchemaEntry {
  std::string type;       // "table", "index", "view", "trigger"
  std::string name;
  std::string tableName;
  std::int64_t rootPage = 0;
  std::string sql;
};

// The live rows of the schema table, in page order. Result: 0 or the code of a failed read
// (entries read before it stay).
int ReadSchema(CSqliteRecoveryFile& file, std::vector<SchemaEntry>& entries);

// The tables (type "table" with a root page) of a schema, in schema order.
std::vector<SchemaEntry> SchemaTables(const std::vector<SchemaEntry>& entries);

// What a CREATE TABLE statement declares, as SQLite itself parses it (in a private in-memory
// database, with everything but table creation refused).
struct DeclaredTable {
  std::int32_t columns = 0;     // stored columns; 0 when the statement could not be parsed
  std::int32_t rowidAlias = -1;  // record index of an INTEGER PRIMARY KEY column, which rows store as NULL
};
DeclaredTable ReadDeclaredTable(std::string_view createTableSql);

}  // namespace vesmar
