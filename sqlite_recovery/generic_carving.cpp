#include "sqlite_recovery/generic_carving.h"

#include "platform/text.h"
#include "recovery/result_codes.h"
#include "sqlite_recovery/sqlite_recovery_file.h"
#include "sqlite_recovery/table_driver.h"

namespace vesmar {

const char* ColumnCountSourceName(ColumnCountSource source) {
  switch (source) {
    case ColumnCountSource::KnownTable: return "known table";
    case ColumnCountSource::Given: return "given";
    case ColumnCountSource::CreateTable: return "CREATE TABLE";
    case ColumnCountSource::FirstLiveRow: return "first live row";
    case ColumnCountSource::Unknown: break;
  }
  return "unknown";
}

namespace {

// Columns of the first live row of a table, for a CREATE TABLE that SQLite cannot parse.
std::int32_t FirstLiveRowColumns(CSqliteRecoveryFile& file, std::string_view table) {
  std::vector<std::uint8_t> page(file.pageSize());
  if (file.ReadPage(0, page.data()) != 0) return 0;
  RootPageSet roots;
  file.FindRootPages(page.data(), table, roots);
  for (const std::uint32_t root : roots) {
    if (file.ReadPage(root, page.data()) != 0) continue;
    LeafCellMap cells;
    file.CollectLiveCells(page.data(), root, cells);
    std::erase_if(cells, [](const auto& entry) { return entry.second.empty(); });
    std::int32_t count = 0;
    if (file.FirstCellColumnCount(cells, count) == 0 && count > 0) return count;
  }
  return 0;
}

}  // namespace

int CarveTable(CSqliteRecoveryFile& file, const std::vector<SchemaEntry>& schema, std::string_view table,
               std::int32_t columns, std::vector<GenericRecord>& out, CarveRun& run) {
  return CarveTable(file, schema, table, columns, [&out](GenericRecord&& r) { out.push_back(std::move(r)); }, run);
}

int CarveTable(CSqliteRecoveryFile& file, const std::vector<SchemaEntry>& schema, std::string_view table,
               std::int32_t columns, const GenericRecordSink& sink, CarveRun& run) {
  const SchemaEntry* entry = nullptr;
  for (const auto& e : schema)
    if (e.type == "table" && EqualsNoCaseAscii(e.name, table)) {
      entry = &e;
      break;
    }
  if (!entry && columns <= 0) return result::kInvalid;
  run.table = entry ? entry->name : std::string(table);
  const DeclaredTable declared = entry ? ReadDeclaredTable(entry->sql) : DeclaredTable{};
  if (IdentifyTable(run.table) != KnownTable::Other) {
    run.source = ColumnCountSource::KnownTable;
  } else if (columns > 0) {
    run.columnCount = columns;
    run.source = ColumnCountSource::Given;
  } else if ((run.columnCount = declared.columns) > 0) {
    run.source = ColumnCountSource::CreateTable;
  } else if ((run.columnCount = FirstLiveRowColumns(file, run.table)) > 0) {
    run.source = ColumnCountSource::FirstLiveRow;
  }
  if (run.source != ColumnCountSource::KnownTable) file.SetDeclaredColumnCount(run.table, run.columnCount);
  RecoverTableOptions options;
  options.carveFreelistTrunks = true;
  options.trunkMinColumns = 0;  // the examiner sees where each row came from
  options.splitMergedFreeblocks = true;
  const int rc = RecoverTable(file, run.table, GenericRecordParser(sink, declared.rowidAlias), options);
  // Known tables' counts can change while their live rows are read; report the final one.
  run.columnCount = file.lastExpectedColumnCount();
  return rc;
}

}  // namespace vesmar
