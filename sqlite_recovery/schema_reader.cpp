#include "sqlite_recovery/schema_reader.h"

#include <sqlite3.h>

#include "sqlite_recovery/record_cursor.h"
#include "sqlite_recovery/sqlite_recovery_file.h"

namespace vesmar {

int ReadSchema(CSqliteRecoveryFile& file, std::vector<SchemaEntry>& entries) {
  if (!file.IsOpen()) return 87;
  std::vector<std::uint8_t> page(file.pageSize());
  if (const int rc = file.ReadPage(0, page.data())) return rc;
  LeafCellMap cells;
  const int walked = file.CollectLiveCells(page.data(), 0, cells);
  for (const auto& [index, offsets] : cells) {
    if (offsets.empty()) continue;
    if (const int rc = file.ReadPage(index, page.data())) return rc;
    for (const std::uint16_t offset : offsets) {
      if (offset >= file.pageSize()) continue;
      const auto bytes = file.AssemblePayload(page.data(), offset, file.CellEnd(offsets, offset));
      RecordCursor record = RecordCursor::Cell(bytes.data(), bytes.size());
      SchemaEntry entry;
      for (Column c; record.Next(c);) {
        const std::string text(c.IsText() ? c.Bytes() : std::string_view());
        switch (c.index) {
          case 0: entry.type = text; break;
          case 1: entry.name = text; break;
          case 2: entry.tableName = text; break;
          case 3: entry.rootPage = c.Integer(); break;
          case 4: entry.sql = text; break;
          default: break;
        }
      }
      if (!entry.type.empty() || !entry.name.empty()) entries.push_back(std::move(entry));
    }
  }
  return walked;
}

std::vector<SchemaEntry> SchemaTables(const std::vector<SchemaEntry>& entries) {
  std::vector<SchemaEntry> tables;
  for (const auto& e : entries)
    if (e.type == "table" && e.rootPage > 0) tables.push_back(e);
  return tables;
}

namespace {

// Only what creating one ordinary table needs (with the index of its keys); no SELECT (CREATE
// TABLE ... AS SELECT could run without end), no ATTACH, no PRAGMA.
int AuthorizeCreateOnly(void*, int action, const char*, const char*, const char*, const char*) {
  switch (action) {
    case SQLITE_CREATE_TABLE:
    case SQLITE_CREATE_INDEX:
    case SQLITE_INSERT:
    case SQLITE_UPDATE:
    case SQLITE_READ:
    case SQLITE_FUNCTION:
      return SQLITE_OK;
    default:
      return SQLITE_DENY;
  }
}

int StopRunaway(void* steps) { return ++*static_cast<int*>(steps) > 10'000; }

struct Database {
  sqlite3* db = nullptr;
  ~Database() { sqlite3_close(db); }
};

struct Statement {
  sqlite3_stmt* stmt = nullptr;
  ~Statement() { sqlite3_finalize(stmt); }
};

}  // namespace

DeclaredTable ReadDeclaredTable(std::string_view sql) {
  DeclaredTable declared;
  if (sql.empty() || sql.size() > 1'000'000) return declared;
  Database memory;
  if (sqlite3_open_v2(":memory:", &memory.db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK)
    return declared;
  int steps = 0;
  sqlite3_progress_handler(memory.db, 100, &StopRunaway, &steps);
  sqlite3_set_authorizer(memory.db, &AuthorizeCreateOnly, nullptr);
  {
    Statement create;
    if (sqlite3_prepare_v2(memory.db, sql.data(), static_cast<int>(sql.size()), &create.stmt, nullptr) != SQLITE_OK ||
        !create.stmt || sqlite3_step(create.stmt) != SQLITE_DONE)
      return declared;
  }
  sqlite3_set_authorizer(memory.db, nullptr, nullptr);
  // Virtual generated columns (hidden 2) are not stored in the rows. A single primary key column
  // of type INTEGER in a table with rowids is the rowid itself, stored as NULL.
  Statement columns;
  constexpr const char* kColumns =
      "SELECT hidden, pk, upper(type) = 'INTEGER', "
      "(SELECT count(*) FROM pragma_table_info(t.name) WHERE pk > 0), "
      "(SELECT count(*) FROM pragma_index_list(t.name) WHERE origin = 'pk') "
      "FROM (SELECT name FROM sqlite_master WHERE type = 'table' LIMIT 1) AS t, pragma_table_xinfo(t.name)";
  if (sqlite3_prepare_v2(memory.db, kColumns, -1, &columns.stmt, nullptr) != SQLITE_OK) return declared;
  while (sqlite3_step(columns.stmt) == SQLITE_ROW) {
    if (sqlite3_column_int(columns.stmt, 0) == 2) continue;
    if (sqlite3_column_int(columns.stmt, 1) == 1 && sqlite3_column_int(columns.stmt, 2) == 1 &&
        sqlite3_column_int(columns.stmt, 3) == 1 && sqlite3_column_int(columns.stmt, 4) == 0)
      declared.rowidAlias = declared.columns;
    ++declared.columns;
  }
  return declared;
}

}  // namespace vesmar
