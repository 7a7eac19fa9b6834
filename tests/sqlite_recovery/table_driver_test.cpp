#include "sqlite_recovery/table_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "platform/text.h"
#include "recovery/result_codes.h"
#include "sqlite_recovery/generic_record_parser.h"
#include "sqlite_recovery/record_cursor.h"
#include "sqlite_recovery/schema_reader.h"
#include "sqlite_recovery/sqlite_recovery_file.h"
#include "tests/fixtures/temp_dir.h"
#include "tests/sqlite_recovery/carving_support.h"

namespace vesmar {
namespace {

using testing::AfterKey;
using testing::Carve;
using testing::DeletedRows;
using testing::Keyed;
using testing::LiveRows;

std::vector<fixtures::SqlRow> Without(const std::vector<fixtures::SqlRow>& rows, std::initializer_list<const char*> ids) {
  std::vector<fixtures::SqlRow> out;
  for (const auto& row : rows)
    if (std::none_of(ids.begin(), ids.end(), [&](const char* id) { return row[0] == id; })) out.push_back(row);
  return out;
}

class MixedTableTest : public ::testing::TestWithParam<int> {};

TEST_P(MixedTableTest, RecoversEveryLiveRowAndTheDeletedRowsThatSurvive) {
  fixtures::TempDir dir;
  const auto rows = fixtures::MakeMixedTable(dir / "t.db", GetParam());
  const auto result = Carve(dir / "t.db", "t");
  ASSERT_EQ(result.code, 0);
  // Live rows whole, the spilled one and the one with invalid text included.
  EXPECT_EQ(LiveRows(result.records), Keyed(rows.live));
  // Deleted rows: all but the spilled one (the freelist was empty, so its first overflow page
  // became the freelist's trunk, whose list took the start of the rest of its text) and the one
  // whose text is not UTF-8 (a carved record with invalid text is rejected).
  EXPECT_EQ(DeletedRows(result.records), AfterKey(Without(rows.deleted, {"31", "33"})));
}

INSTANTIATE_TEST_SUITE_P(PageSizes, MixedTableTest, ::testing::Values(1024, 4096, 65536));

// Rows whose text is a page long: the first characters, enough to tell them apart in a message.
std::string Head(const std::string& row) { return row.substr(0, 40) + "...|" + row.substr(row.rfind('|') + 1); }

// Every deleted row of the fixture among what came back, and nothing that is not a row SQLite was
// given (page splits leave old copies of live rows in free space too).
void ExpectDeletedRowsWholeAndNoOtherText(const fixtures::TableRows& rows, const std::vector<GenericRecord>& records,
                                          bool allDeletedExpected) {
  const auto found = DeletedRows(records);
  auto known = AfterKey(rows.live);
  for (const auto& row : AfterKey(rows.deleted)) {
    known.push_back(row);
    if (allDeletedExpected) {
      EXPECT_NE(std::find(found.begin(), found.end(), row), found.end()) << "missing " << Head(row);
    }
  }
  for (const auto& row : found)
    EXPECT_NE(std::find(known.begin(), known.end(), row), known.end()) << "not a row SQLite was given: " << Head(row);
}

class SpilledRowsTest : public ::testing::TestWithParam<int> {};

TEST_P(SpilledRowsTest, DeletedRowsComeBackWholeFromTheirFreedOverflowPages) {
  fixtures::TempDir dir;
  const auto rows = fixtures::MakeSpilledRows(dir / "t.db", GetParam(), /*reuseFreedPages=*/false);
  for (const auto& [table, expected] : {std::pair{"t", rows.t}, std::pair{"one", rows.one}}) {
    SCOPED_TRACE(table);
    const auto result = Carve(dir / "t.db", table);
    ASSERT_EQ(result.code, 0);
    EXPECT_EQ(LiveRows(result.records), Keyed(expected.live));
    ExpectDeletedRowsWholeAndNoOtherText(expected, result.records, /*allDeletedExpected=*/true);
  }
}

TEST_P(SpilledRowsTest, ARowWhoseOverflowPagesWereTakenAgainIsLeftOutNotMixedWithOtherRows) {
  fixtures::TempDir dir;
  const auto rows = fixtures::MakeSpilledRows(dir / "t.db", GetParam(), /*reuseFreedPages=*/true);
  const auto result = Carve(dir / "t.db", "t");
  ASSERT_EQ(result.code, 0);
  ExpectDeletedRowsWholeAndNoOtherText(rows.t, result.records, /*allDeletedExpected=*/false);
}

INSTANTIATE_TEST_SUITE_P(PageSizes, SpilledRowsTest, ::testing::Values(1024, 4096));

TEST(TableDriverTest, FreedPageRowsWhoseOverflowPagesWereTakenAgainAreLeftOut) {
  // Table gone's pages and the overflow pages of its long rows all go to the freelist; another
  // table's new long rows then take half of them again.
  fixtures::TempDir dir;
  fixtures::TableRows gone;
  {
    fixtures::SqliteDb db(dir / "t.db", 1024);
    db.Exec(fixtures::CreateTableSql("gone", 3) + fixtures::CreateTableSql("kept", 2) + fixtures::CreateTableSql("scratch", 2));
    for (int id = 1; id <= 40; ++id)
      gone.deleted.push_back({std::to_string(id), fixtures::Quote(fixtures::FillerText(2500, id)), std::to_string(id)});
    fixtures::InsertRows(db, "gone", gone.deleted);
    fixtures::InsertRows(db, "scratch", {{"1", "'x'"}});
    db.Exec("DROP TABLE scratch; DELETE FROM gone;");
    for (int id = 1; fixtures::QueryInt(dir / "t.db", "PRAGMA freelist_count;") > 60; ++id)
      fixtures::InsertRows(db, "kept", {{std::to_string(id), fixtures::Quote(fixtures::FillerText(2500, 1000 + id))}});
  }
  const auto result = Carve(dir / "t.db", "gone");
  ASSERT_EQ(result.code, 0);
  ExpectDeletedRowsWholeAndNoOtherText(gone, result.records, /*allDeletedExpected=*/false);
  EXPECT_FALSE(DeletedRows(result.records).empty());
}

TEST(TableDriverTest, LongRowsWithLargeRowidsComeBackFromTheirFreeblocks) {
  // Payload length (2 bytes) and rowid (3 bytes) take more than the 4 bytes a freeblock header
  // overwrites, so the header length stands after the rest of the rowid.
  fixtures::TempDir dir;
  const auto path = dir / "long.db";
  fixtures::TableRows rows;
  {
    fixtures::SqliteDb db(path, 4096);
    db.Exec(fixtures::CreateTableSql("t", 3));
    std::vector<fixtures::SqlRow> all;
    for (int i = 0; i < 60; ++i) {
      all.push_back({std::to_string(100'000 + i), fixtures::Quote(fixtures::FillerText(150 + i, i)), std::to_string(i)});
      (i % 3 == 1 ? rows.deleted : rows.live).push_back(all.back());
    }
    fixtures::InsertRows(db, "t", all);
    db.Exec("DELETE FROM t WHERE c2 % 3 = 1;");
  }
  const auto result = Carve(path, "t");
  ASSERT_EQ(result.code, 0);
  EXPECT_EQ(LiveRows(result.records), Keyed(rows.live));
  EXPECT_EQ(DeletedRows(result.records), AfterKey(rows.deleted));
}

TEST(TableDriverTest, DeliversLiveRowsThenCandidatesPageByPage) {
  fixtures::TempDir dir;
  fixtures::MakeMixedTable(dir / "t.db", 1024);
  const auto result = Carve(dir / "t.db", "t");
  ASSERT_EQ(result.code, 0);
  // One root: its live cells (pages ascending), then its candidates (pages ascending).
  std::vector<std::pair<int, std::uint32_t>> order;
  for (const auto& r : result.records) order.emplace_back(static_cast<int>(r.status), r.pageNumber);
  EXPECT_TRUE(std::is_sorted(order.begin(), order.end()));
  // Within a page, live cells come in pointer-array order: ascending rowid for appended rows.
  for (std::size_t i = 1; i < result.records.size(); ++i) {
    const auto& a = result.records[i - 1];
    const auto& b = result.records[i];
    if (a.status == RecordStatus::Live && b.status == RecordStatus::Live && a.pageNumber == b.pageNumber) {
      EXPECT_LT(a.rowid, b.rowid);
    }
  }
}

TEST(TableDriverTest, AdoptsFreedPagesWithTheTablesColumnCount) {
  fixtures::TempDir dir;
  const auto rows = fixtures::MakeFreedTable(dir / "f.db", 1024);
  ASSERT_GT(fixtures::QueryInt(dir / "f.db", "PRAGMA freelist_count"), 10);

  const auto gone = Carve(dir / "f.db", "gone");
  ASSERT_EQ(gone.code, 0);
  EXPECT_TRUE(LiveRows(gone.records).empty());
  // Every row of the emptied table comes back: as a whole cell of a freed leaf page (with its
  // rowid), or carved from the cleared root page, which still holds older copies of the first
  // rows (copies are not merged). Guesses that are no row may come too (carving a page of old
  // interior cells); they are not counted here.
  std::set<std::string> recovered;
  for (const auto& r : gone.records) {
    const bool fromFreedCell = r.onFreelistPage && r.origin == RecordOrigin::Cell;
    for (const auto& row : rows.deleted)
      if (fromFreedCell ? testing::KeyedRow(r) == testing::KeyedRow(row)
                        : testing::ValuesAfterKey(r) == testing::ValuesAfterKey(row))
        recovered.insert(testing::ValuesAfterKey(row));
  }
  const auto all = AfterKey(rows.deleted);
  EXPECT_EQ(recovered, std::set<std::string>(all.begin(), all.end()));
  EXPECT_TRUE(std::any_of(gone.records.begin(), gone.records.end(),
                          [](const GenericRecord& r) { return r.onFreelistPage && r.origin == RecordOrigin::Cell; }));

  // Table kept has another column count: the freed pages of gone are not its own.
  const auto kept = Carve(dir / "f.db", "kept");
  ASSERT_EQ(kept.code, 0);
  EXPECT_EQ(LiveRows(kept.records), Keyed(rows.live));
  EXPECT_TRUE(DeletedRows(kept.records).empty());
}

// A table of three levels: deleting rows frees interior pages too. Such a page still names its
// children: freed leaves, which the freelist lists on their own, and (after a rebalance) leaves
// that stay live. Neither may come back through it: each freed cell is read once, from a page
// of the freelist.
TEST(TableDriverTest, FreedInteriorPagesAddNoCellTwiceAndNoLivePage) {
  for (const char* deletion : {"DELETE FROM big;", "DELETE FROM big WHERE c0 > 300 AND c0 <= 2700;"}) {
    SCOPED_TRACE(deletion);
    fixtures::TempDir dir;
    const auto path = dir / "big.db";
    {
      fixtures::SqliteDb db(path, 1024);
      db.Exec(fixtures::CreateTableSql("big", 3));
      std::vector<fixtures::SqlRow> rows;
      for (int id = 1; id <= 3000; ++id)
        rows.push_back({std::to_string(id), fixtures::Quote(fixtures::FillerText(40 + id % 30, id)), std::to_string(id)});
      fixtures::InsertRows(db, "big", rows);
      db.Exec(deletion);
    }
    CSqliteRecoveryFile file;
    ASSERT_EQ(file.OpenDatabaseFile(path), 0);
    const std::set<std::uint32_t> freelist(file.freelistPages().begin(), file.freelistPages().end());
    const auto result = Carve(path, "big");
    ASSERT_EQ(result.code, 0);
    std::set<std::pair<std::uint32_t, std::uint16_t>> freedCells;
    int fromLivePages = 0, readAgain = 0;
    for (const auto& r : result.records) {
      if (!r.onFreelistPage || r.origin != RecordOrigin::Cell) continue;
      fromLivePages += freelist.count(r.pageNumber - 1) == 0;
      readAgain += !freedCells.emplace(r.pageNumber, r.offset).second;
    }
    EXPECT_EQ(fromLivePages, 0);
    EXPECT_EQ(readAgain, 0);
    EXPECT_GT(freedCells.size(), 2000u);  // most deleted rows stand whole on freed leaves
  }
}

// The driver example of record_parser.h, as written there: a parser for table handle.
TEST(RecordParserContractTest, TheDocumentedHandleParserWorksAsShown) {
  fixtures::TempDir dir;
  const auto path = dir / "sms.db";
  {
    fixtures::SqliteDb db(path, 4096);
    db.Exec("CREATE TABLE handle (ROWID INTEGER PRIMARY KEY AUTOINCREMENT UNIQUE, id TEXT NOT NULL, country TEXT, "
            "service TEXT NOT NULL, uncanonicalized_id TEXT);");
    for (int i = 1; i <= 12; ++i)
      db.Exec("INSERT INTO handle(id, country, service) VALUES('+1555010" + std::to_string(i) + "', 'us', 'SMS');");
    db.Exec("DELETE FROM handle WHERE ROWID IN (4, 9);");
  }
  CSqliteRecoveryFile file;
  ASSERT_EQ(file.OpenDatabaseFile(path), 0);

  std::vector<ChatHandleRecord> handles;
  RecoverTable(file, "handle", [&](CSqliteRecoveryFile& f, const RecordBytes& in) {
    RecordCursor record = OpenRecord(f, in, /*assembleOverflow=*/false);
    ChatHandleRecord r;
    r.status = in.status;
    r.rowid = static_cast<std::int32_t>(record.rowid());
    for (Column c; record.Next(c);) {
      if (c.index == 1 && c.IsText()) {
        if (!c.complete()) return result::kInvalid;
        r.address = c.Text().text;
      }
    }
    if (r.address.empty()) return result::kInvalid;
    handles.push_back(std::move(r));
    return result::kOk;
  });

  std::vector<std::string> live, deleted;
  for (const auto& h : handles)
    (h.status == RecordStatus::Live ? live : deleted).push_back(std::to_string(h.rowid) + " " + Utf16ToUtf8(h.address));
  EXPECT_EQ(live.size(), 10u);
  EXPECT_EQ(live.front(), "1 +15550101");
  EXPECT_EQ(live.back(), "12 +155501012");
  std::sort(deleted.begin(), deleted.end());
  EXPECT_EQ(deleted, (std::vector<std::string>{"0 +15550104", "0 +15550109"}));
}

// Everything a record says, so two runs can be compared whole.
std::string Describe(const GenericRecord& r) {
  return std::string(RecordStatusName(r.status)) + " " + RecordSourceName(r.origin, r.onFreelistPage) + " p" +
         std::to_string(r.pageNumber) + "+" + std::to_string(r.offset) + " #" + std::to_string(r.rowid) + " " +
         testing::Literal(r.values.empty() ? GenericValue{} : r.values[0]) + "|" + testing::ValuesAfterKey(r);
}

TEST(PageCacheTest, ResultsAreIdenticalWithAndWithoutThePageCache) {
  fixtures::TempDir dir;
  for (const auto& path : fixtures::WriteCarvingScenarios(dir / "scenarios")) {
    CSqliteRecoveryFile probe;
    ASSERT_EQ(probe.OpenDatabaseFile(path), 0);
    std::vector<SchemaEntry> schema;
    ASSERT_EQ(ReadSchema(probe, schema), 0);
    for (const auto& table : SchemaTables(schema)) {
      std::vector<std::string> runs[3];
      const std::size_t budgets[3] = {CSqliteRecoveryFile::kDefaultCacheBudget, 0, 2 * probe.pageSize()};
      for (int i = 0; i < 3; ++i) {
        const auto result = Carve(path, table.name, budgets[i]);
        EXPECT_EQ(result.code, 0);
        for (const auto& r : result.records) runs[i].push_back(Describe(r));
      }
      EXPECT_FALSE(runs[0].empty()) << path << " " << table.name;
      EXPECT_EQ(runs[0], runs[1]) << path << " " << table.name;
      EXPECT_EQ(runs[0], runs[2]) << path << " " << table.name;
    }
  }
}

TEST(PageCacheTest, ServesRepeatedReadsFromMemory) {
  fixtures::TempDir dir;
  fixtures::MakeMixedTable(dir / "t.db", 1024);
  CSqliteRecoveryFile file;
  ASSERT_EQ(file.OpenDatabaseFile(dir / "t.db"), 0);
  std::vector<GenericRecord> records;
  ASSERT_EQ(RecoverTable(file, "t", GenericRecordParser(records)), 0);
  // Each leaf page is read by the live walk, the live pass, the candidate walk and the carving pass.
  EXPECT_GT(file.pageCache().hits(), file.pageCache().misses());
}

}  // namespace
}  // namespace vesmar
