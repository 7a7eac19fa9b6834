#include "sqlite_recovery/table_probe.h"

#include <sqlite3.h>

#include <string>
#include <system_error>

#include "recovery/result_codes.h"
#include "recovery/sqlite_uri.h"

namespace vesmar {

namespace {

std::string QuotedName(std::string_view name) {
  std::string quoted = "\"";
  for (const char c : name) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + '"';
}

}  // namespace

int ProbeTable(const std::filesystem::path& database, std::string_view table, TableProbe& probe) {
  probe = {};
  if (database.empty()) return result::kInvalid;
  // SQLite would open a FIFO planted in a backup and wait for a writer forever.
  std::error_code ec;
  if (std::filesystem::exists(database, ec) && !std::filesystem::is_regular_file(database, ec)) return SQLITE_CANTOPEN;
  sqlite3* db = nullptr;
  const std::string uri = ReadOnlySqliteUri(database);
  const int opened = sqlite3_open_v2(uri.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
  if (opened != SQLITE_OK) {
    sqlite3_close(db);
    return opened;
  }
  const std::string sql = "SELECT * FROM " + QuotedName(table) + ";";
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK && statement) {
    probe.queryable = true;
    probe.columns = sqlite3_column_count(statement);
  }
  sqlite3_finalize(statement);
  sqlite3_close(db);
  return result::kOk;
}

}  // namespace vesmar
