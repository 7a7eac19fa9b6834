#include "tests/sqlite_recovery/carving_support.h"

#include <algorithm>
#include <charconv>
#include <optional>

#include "sqlite_recovery/generic_carving.h"
#include "sqlite_recovery/sqlite_recovery_file.h"

namespace vesmar::testing {

std::string Literal(const GenericValue& v) {
  switch (v.kind) {
    case GenericValue::Kind::Null: return "NULL";
    case GenericValue::Kind::Integer: return std::to_string(v.integer);
    case GenericValue::Kind::Real: {
      char buffer[40];
      const auto end = std::to_chars(buffer, buffer + sizeof buffer, v.real).ptr;
      return std::string(buffer, end);
    }
    case GenericValue::Kind::Text:
      return v.validText ? fixtures::Quote(v.bytes) : "CAST(" + fixtures::BlobLiteral(v.bytes) + " AS TEXT)";
    case GenericValue::Kind::Blob: return fixtures::BlobLiteral(v.bytes);
  }
  return "";
}

std::string ValuesAfterKey(const GenericRecord& record) {
  std::string out;
  for (std::size_t i = 1; i < record.values.size(); ++i) out += (i > 1 ? "|" : "") + Literal(record.values[i]);
  return out;
}

std::string ValuesAfterKey(const fixtures::SqlRow& row) {
  std::string out;
  for (std::size_t i = 1; i < row.size(); ++i) out += (i > 1 ? "|" : "") + row[i];
  return out;
}

std::string KeyedRow(const GenericRecord& record) {
  return std::to_string(record.rowid) + ":" + ValuesAfterKey(record);
}
std::string KeyedRow(const fixtures::SqlRow& row) { return row[0] + ":" + ValuesAfterKey(row); }

namespace {
template <typename List, typename Fn>
std::vector<std::string> SortedBy(const List& list, Fn fn) {
  std::vector<std::string> out;
  for (const auto& item : list)
    if (auto text = fn(item)) out.push_back(*text);
  std::sort(out.begin(), out.end());
  return out;
}
}  // namespace

std::vector<std::string> LiveRows(const std::vector<GenericRecord>& records) {
  return SortedBy(records, [](const GenericRecord& r) {
    return r.status == RecordStatus::Live ? std::optional(KeyedRow(r)) : std::nullopt;
  });
}
std::vector<std::string> DeletedRows(const std::vector<GenericRecord>& records) {
  return SortedBy(records, [](const GenericRecord& r) {
    return r.status == RecordStatus::Deleted ? std::optional(ValuesAfterKey(r)) : std::nullopt;
  });
}
std::vector<std::string> Keyed(const std::vector<fixtures::SqlRow>& rows) {
  return SortedBy(rows, [](const fixtures::SqlRow& r) { return std::optional(KeyedRow(r)); });
}
std::vector<std::string> AfterKey(const std::vector<fixtures::SqlRow>& rows) {
  return SortedBy(rows, [](const fixtures::SqlRow& r) { return std::optional(ValuesAfterKey(r)); });
}

CarveResult Carve(const std::filesystem::path& path, std::string_view table, std::size_t cacheBudget) {
  CarveResult result;
  CSqliteRecoveryFile file;
  file.SetPageCacheBudget(cacheBudget);
  if ((result.code = file.OpenDatabaseFile(path)) != 0) return result;
  std::vector<SchemaEntry> schema;
  ReadSchema(file, schema);
  CarveRun run;
  result.code = CarveTable(file, schema, table, 0, result.records, run);
  return result;
}

}  // namespace vesmar::testing
