// Helpers of the carving tests: recovered rows written the way the fixtures wrote them in SQL,
// so what comes back compares with what SQLite was given.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "sqlite_recovery/generic_record_parser.h"
#include "tests/fixtures/deleted_rows_fixture.h"

namespace vesmar::testing {

// NULL, 42, 1.25, 'text' (quotes doubled), X'00FF', CAST(X'..' AS TEXT) for text that is not
// valid UTF-8, and ? for a column whose serial type was overwritten.
std::string Literal(const GenericValue& value);

// Values from column 1 on, joined by "|": column 0 of the fixtures is the integer primary key,
// which a record stores as NULL (live rows carry it as their rowid, carved ones lose it).
std::string ValuesAfterKey(const GenericRecord& record);
std::string ValuesAfterKey(const fixtures::SqlRow& row);
// "rowid:values" of a live record, and of a fixture row.
std::string KeyedRow(const GenericRecord& record);
std::string KeyedRow(const fixtures::SqlRow& row);

// Sorted lists, so tests compare multisets (a row found twice shows twice).
std::vector<std::string> LiveRows(const std::vector<GenericRecord>& records);
std::vector<std::string> DeletedRows(const std::vector<GenericRecord>& records);
std::vector<std::string> Keyed(const std::vector<fixtures::SqlRow>& rows);
std::vector<std::string> AfterKey(const std::vector<fixtures::SqlRow>& rows);

struct CarveResult {
  int code = -1;
  std::vector<GenericRecord> records;
};
// Opens the database and recovers one table with the generic parser and its declared columns.
CarveResult Carve(const std::filesystem::path& path, std::string_view table,
                  std::size_t cacheBudget = 16 * 1024 * 1024);

}  // namespace vesmar::testing
