#include "sqlite_recovery/table_driver.h"

#include <algorithm>
#include <vector>

#include "recovery/result_codes.h"
#include "platform/text.h"
#include "sqlite_recovery/deleted_candidates.h"
#include "sqlite_recovery/expected_columns.h"
#include "sqlite_recovery/record_cursor.h"
#include "sqlite_recovery/schema_reader.h"
#include "sqlite_recovery/sqlite_format.h"
#include "sqlite_recovery/sqlite_recovery_file.h"

namespace vesmar {

namespace fmt = sqlite_format;

namespace {

// The column count the table's CREATE TABLE declares, registered once per file for the tables
// that follow their rows, so a table without live rows is still carved with its real width.
void RegisterDeclaredCount(CSqliteRecoveryFile& file, std::string_view table) {
  if (!FollowsItsRows(IdentifyTable(table)) || file.HasDeclaredColumnCount(table)) return;
  std::vector<SchemaEntry> schema;
  ReadSchema(file, schema);
  std::int32_t columns = 0;
  for (const auto& entry : schema)
    if (entry.type == "table" && EqualsNoCaseAscii(entry.name, table)) columns = ReadDeclaredTable(entry.sql).columns;
  file.SetDeclaredColumnCount(table, columns);
}

// Reads pages of a map one after another into one buffer and hands every entry to the parser.
class MapParser {
 public:
  MapParser(CSqliteRecoveryFile& file, const RecordParser& parser, bool onFreelistPage)
      : file_(file), parser_(parser), onFreelistPage_(onFreelistPage), page_(file.pageSize()) {}

  int ParseCells(const LeafCellMap& map, RecordStatus status) {
    const std::uint32_t ps = file_.pageSize();
    const bool followsRows = FollowsItsRows(file_.currentKnownTable());
    for (const auto& [index, cells] : map) {
      if (cells.empty()) continue;
      if (const int rc = file_.ReadPage(index, page_.data())) return rc;
      // A cell ends where the next larger offset of its page begins.
      sorted_.assign(cells.begin(), cells.end());
      std::sort(sorted_.begin(), sorted_.end());
      for (const std::uint16_t offset : cells) {
        if (offset >= ps) continue;
        const auto next = std::upper_bound(sorted_.begin(), sorted_.end(), offset);
        RecordBytes in;
        in.bytes = page_.data() + offset;
        in.available = ps - offset;
        // A damaged pointer array may name offsets past the page: a cell ends with the page.
        in.cellEnd = next == sorted_.end() ? ps : std::min<std::uint32_t>(ps, *next);
        in.form = RecordForm::Cell;
        in.status = status;
        in.page = page_.data();
        in.pageIndex = index;
        in.offset = offset;
        in.origin = RecordOrigin::Cell;
        in.onFreelistPage = onFreelistPage_;
        // Only the tables that follow their rows use the count: the others are spared the walk.
        if (status == RecordStatus::Live && followsRows)
          file_.NoteLiveColumnCount(RecordCursor::Cell(in.bytes, in.cellEnd - offset).ColumnCount());
        parser_(file_, in);
      }
    }
    return 0;
  }

  int ParseCandidates(const CandidateMap& map) {
    const std::uint32_t ps = file_.pageSize();
    for (const auto& [index, candidates] : map) {
      if (candidates.empty()) continue;
      if (const int rc = file_.ReadPage(index, page_.data())) return rc;
      for (const Candidate& c : candidates) {
        if (c.offset >= ps) continue;
        RecordBytes in;
        in.bytes = page_.data() + c.offset;
        in.available = ps - c.offset;
        in.form = RecordForm::Header;
        in.status = RecordStatus::Deleted;
        in.page = page_.data();
        in.pageIndex = index;
        in.offset = c.offset;
        in.origin = c.origin;
        in.onFreelistPage = onFreelistPage_;
        in.extentEnd = c.extentEnd;
        in.headerIntact = c.headerIntact;
        if (c.spilled) {
          // The parsers read the row whole: its page part and the rest from its freed overflow pages.
          const auto whole = file_.AssembleSpilledRecord(page_.data(), c.offset, spilled_);
          if (whole.empty()) continue;
          in.bytes = whole.data();
          in.available = whole.size();
        }
        parser_(file_, in);
      }
    }
    return 0;
  }

 private:
  CSqliteRecoveryFile& file_;
  const RecordParser& parser_;
  bool onFreelistPage_;
  std::vector<std::uint8_t> page_;
  std::vector<std::uint16_t> sorted_;
  std::vector<std::uint8_t> spilled_;
};

CarvingExtras Extras(const RecoverTableOptions& options) {
  CarvingExtras extras;
  extras.splitMergedFreeblocks = options.splitMergedFreeblocks;
  extras.emptiedPages = options.emptiedPages;
  return extras;
}

bool AdoptsEmptyPages(KnownTable table) {
  return table == KnownTable::Message || table == KnownTable::ContactSearch || table == KnownTable::NoteBody;
}

int RecoverRoots(CSqliteRecoveryFile& file, const RootPageSet& roots, const RecordParser& parser,
                 const RecoverTableOptions& options) {
  MapParser maps(file, parser, false);
  std::vector<std::uint8_t> root(file.pageSize());
  for (const std::uint32_t index : roots) {
    if (const int rc = file.ReadPage(index, root.data())) return rc;
    LeafCellMap live;
    if (const int rc = file.CollectLiveCells(root.data(), index, live)) return rc;
    if (const int rc = maps.ParseCells(live, RecordStatus::Live)) return rc;
    if (!options.carveFreeSpace) continue;
    CandidateMap candidates;
    if (const int rc = CollectDeletedCandidates(file, root.data(), index, candidates, Extras(options))) return rc;
    if (const int rc = maps.ParseCandidates(candidates)) return rc;
  }
  return 0;
}

// Each freed leaf page is read once, on its own. A freed interior page is not walked: the
// children it still names are either freed too, and then listed in the freelist themselves (a
// walk would read their rows a second time), or live pages it lost to a rebalance, whose rows
// are not deleted at all.
int RecoverFreelist(CSqliteRecoveryFile& file, const RecordParser& parser, const RecoverTableOptions& options) {
  MapParser maps(file, parser, true);
  std::vector<std::uint8_t> page(file.pageSize());
  std::vector<bool> seen(file.pageCount(), false);
  for (const std::uint32_t index : file.freelistPages()) {
    if (index >= seen.size() || seen[index]) continue;
    seen[index] = true;
    if (file.ReadPage(index, page.data()) != 0) continue;
    if (page[CSqliteRecoveryFile::HeaderOffset(index)] != fmt::kLeafTablePage) continue;
    LeafCellMap cells;
    if (const int rc = file.CollectLiveCells(page.data(), index, cells)) return rc;
    if (cells.empty()) continue;
    std::int32_t columns = 0;
    if (const int rc = file.FirstCellColumnCount(cells, columns)) return rc;
    const bool adopted = cells.begin()->second.empty()
                             ? options.adoptEmptyFreelistPages && AdoptsEmptyPages(file.currentKnownTable())
                             : columns == file.CurrentColumnCount();
    if (!adopted) continue;
    if (const int rc = maps.ParseCells(cells, RecordStatus::Deleted)) return rc;
    if (!options.carveFreeSpace) continue;
    CandidateMap candidates;
    if (const int rc = CollectDeletedCandidates(file, page.data(), index, candidates, Extras(options))) return rc;
    if (const int rc = maps.ParseCandidates(candidates)) return rc;
  }
  return 0;
}

int RecoverTrunks(CSqliteRecoveryFile& file, const RecordParser& parser) {
  MapParser maps(file, parser, true);
  std::vector<std::uint8_t> page(file.pageSize());
  for (const std::uint32_t index : file.freelistTrunks()) {
    if (file.ReadPage(index, page.data()) != 0) continue;
    CandidateMap candidates;
    DetectTrunkPage(file, page.data(), index, candidates[index]);
    if (const int rc = maps.ParseCandidates(candidates)) return rc;
  }
  return 0;
}

}  // namespace

int RecoverTable(CSqliteRecoveryFile& file, std::string_view table, const RecordParser& parser,
                 const RecoverTableOptions& options) {
  if (!file.IsOpen()) return result::kInvalid;
  file.ResetOverflowBudget();
  std::vector<std::uint8_t> page1(file.pageSize());
  if (const int rc = file.ReadPage(0, page1.data())) return rc;
  RootPageSet roots;
  const int found = file.FindRootPages(page1.data(), table, roots);
  RegisterDeclaredCount(file, table);
  file.SetCurrentTable(table);
  file.ExpectedColumnCount(table);
  // Roots found before a failed schema read are real roots; they are still recovered.
  const int rootsResult = RecoverRoots(file, roots, parser, options);
  int code = found != 0 ? found : rootsResult;
  if (options.freelistPages) {
    const int freelist = RecoverFreelist(file, parser, options);
    if (code == 0) code = freelist;
  }
  if (options.carveFreelistTrunks && file.CurrentColumnCount() >= options.trunkMinColumns) {
    const int trunks = RecoverTrunks(file, parser);
    if (code == 0) code = trunks;
  }
  file.ExpectedColumnCount(table);
  return code;
}

}  // namespace vesmar
