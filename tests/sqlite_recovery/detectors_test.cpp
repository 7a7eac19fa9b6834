#include "sqlite_recovery/deleted_candidates.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "sqlite_recovery/sqlite_format.h"
#include "sqlite_recovery/sqlite_recovery_file.h"
#include "tests/fixtures/temp_dir.h"
#include "tests/sqlite_recovery/carving_support.h"

namespace vesmar {
namespace {

namespace fmt = sqlite_format;
using fixtures::SqlRow;

// A file of the given page size for the detectors to take their page size from; the table they
// carve for is named and given its column count.
void OpenWithTable(const std::filesystem::path& path, int pageSize, CSqliteRecoveryFile& file, const char* table,
                   int columns) {
  {
    fixtures::SqliteDb db(path, pageSize);
    db.Exec("CREATE TABLE x(a);");
  }
  ASSERT_EQ(file.OpenDatabaseFile(path), 0);
  file.SetDeclaredColumnCount(table, columns);
  file.SetCurrentTable(table);
}

void Put(std::vector<std::uint8_t>& page, std::size_t at, std::initializer_list<int> bytes) {
  for (const int b : bytes) page[at++] = static_cast<std::uint8_t>(b);
}

// An empty leaf page of 1024 bytes whose only live cell sits at 1000.
std::vector<std::uint8_t> LeafPage() {
  std::vector<std::uint8_t> page(1024, 0);
  Put(page, 0, {13, 0, 0, 0, 1, 0x03, 0xE8});  // leaf, no freeblock, 1 cell, content at 1000
  Put(page, 8, {0x03, 0xE8});
  Put(page, 1000, {3, 1, 2, 1, 7});  // payload 3, rowid 1, header 2, one 1-byte integer
  return page;
}

std::vector<std::uint16_t> Offsets(const CandidateList& list) {
  std::vector<std::uint16_t> out;
  for (const auto& c : list) out.push_back(c.offset);
  return out;
}

TEST(FreeblockDetectorTest, TakesTheSizeFromAVarintWhenTheWordRunsPastThePage) {
  fixtures::TempDir dir;
  CSqliteRecoveryFile file;
  OpenWithTable(dir / "x.db", 1024, file, "x3", 3);
  auto page = LeafPage();
  Put(page, 1, {0x03, 0x84});               // first freeblock at 900
  Put(page, 900, {0, 0, 0x02, 0x10});       // no successor; 0x0210 runs past the page, 0x10 does not
  Put(page, 904, {1, 1, 1, 0x41, 0x42, 0x43});  // serial types of columns 1 and 2 (and more), body
  CandidateList list;
  DetectFreeblocks(file, page.data(), 1, list);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0], (Candidate{904, RecordOrigin::Freeblock, 916, false}));

  // Without a varint that fits, the walk of the page ends without a candidate.
  Put(page, 903, {0xFF});
  list.clear();
  DetectFreeblocks(file, page.data(), 1, list);
  EXPECT_TRUE(list.empty());
}

TEST(FreeblockDetectorTest, ChainThatTurnsBackEnds) {
  fixtures::TempDir dir;
  CSqliteRecoveryFile file;
  OpenWithTable(dir / "x.db", 1024, file, "x3", 3);
  auto page = LeafPage();
  Put(page, 1, {0x03, 0x84});
  Put(page, 900, {0x03, 0x84, 0, 16, 1, 1, 1, 1, 2, 3});  // a freeblock that names itself
  CandidateList list;
  DetectFreeblocks(file, page.data(), 1, list);
  EXPECT_EQ(Offsets(list), std::vector<std::uint16_t>{904});
}

// Stale pointers at 900 and `second`, over bytes that read as intact cells of 2 columns
// (payload 0x3B, rowid 1, header 3, a 57-byte text type, then one more type).
std::vector<std::uint8_t> StaleSlotPage(int second) {
  auto page = LeafPage();
  Put(page, 10, {0x03, 0x84, second >> 8, second & 0xFF});
  Put(page, 900, {0x3B, 1, 3, 0x7F, 0x0A});
  std::memset(page.data() + 905, 'x', 60);
  if (second == 904) {
    // From 904 the same bytes read as a cell of payload 10 with two serial types 6, 6.
    Put(page, 905, {1, 3, 6, 6});
  } else {
    Put(page, second, {0x3B, 1, 3, 0x7F, 0x0A});
  }
  return page;
}

TEST(StaleSlotDetectorTest, IntactCellsCloserThanSevenBytesGiveOneCandidate) {
  fixtures::TempDir dir;
  CSqliteRecoveryFile file;
  OpenWithTable(dir / "x.db", 1024, file, "x2", 2);
  struct Case {
    int second;
    std::vector<std::uint16_t> expected;
  };
  const Case cases[] = {
      {904, {903}},       // 4 bytes apart: the second is a near-duplicate of the first
      {907, {903, 910}},  // 7 bytes apart: both
  };
  for (const auto& c : cases) {
    const auto page = StaleSlotPage(c.second);
    CandidateList list;
    DetectStaleSlots(file, page.data(), 1, list);
    EXPECT_EQ(Offsets(list), c.expected) << c.second;
    for (const auto& candidate : list) EXPECT_EQ(candidate.origin, RecordOrigin::StaleSlot);
  }
}

TEST(StaleSlotDetectorTest, RepeatedLastPointerAndSlotsInTheCellAreaArePassedOver) {
  fixtures::TempDir dir;
  CSqliteRecoveryFile file;
  OpenWithTable(dir / "x.db", 1024, file, "x2", 2);
  auto page = StaleSlotPage(907);
  Put(page, 10, {0x03, 0xEA, 0, 0});  // 1002: within 6 bytes of the live pointer 1000
  CandidateList list;
  DetectStaleSlots(file, page.data(), 1, list);
  EXPECT_TRUE(list.empty());

  // Content starting at 10 leaves only the live slot below it.
  page = StaleSlotPage(907);
  Put(page, 5, {0, 10});
  list.clear();
  DetectStaleSlots(file, page.data(), 1, list);
  EXPECT_TRUE(list.empty());
}

// A messages-like table of 38 columns: c1 the 36-character guid, c2 the text.
void MakeMessageTable(const std::filesystem::path& path, const std::string& table, int columns,
                      std::vector<SqlRow>& rows) {
  fixtures::SqliteDb db(path, 1024);
  db.Exec(fixtures::CreateTableSql(table, columns));
  for (int id = 1; id <= 20; ++id) {
    SqlRow row(static_cast<std::size_t>(columns), "NULL");
    row[0] = std::to_string(id);
    char guid[40];
    std::snprintf(guid, sizeof guid, "%08d-AAAA-BBBB-CCCC-DDDDDDDDDDDD", id);
    row[1] = fixtures::Quote(guid);
    // Row 5's guid holds a zero byte.
    if (id == 5) row[1] = "CAST(X'3030303030303030002D414141412D424242422D434343432D444444444444444444444444' AS TEXT)";
    row[2] = fixtures::Quote("body " + std::to_string(id));
    rows.push_back(row);
  }
  fixtures::InsertRows(db, table, rows);
  db.Exec("DELETE FROM " + table + " WHERE c0 IN (5, 9);");
}

TEST(FreeblockDetectorTest, MessageRowsNeedAGuidWithoutZeroBytes) {
  fixtures::TempDir dir;
  std::vector<SqlRow> rows;
  MakeMessageTable(dir / "m.db", "message", 38, rows);
  CSqliteRecoveryFile file;
  ASSERT_EQ(file.OpenDatabaseFile(dir / "m.db"), 0);
  std::vector<std::uint8_t> page(file.pageSize());
  auto freeblocks = [&](const char* table) {
    file.SetDeclaredColumnCount("plain", 38);
    file.SetCurrentTable(table);
    RootPageSet roots;
    std::vector<std::uint8_t> page1(file.pageSize());
    EXPECT_EQ(file.ReadPage(0, page1.data()), 0);
    EXPECT_EQ(file.FindRootPages(page1.data(), "message", roots), 0);
    std::size_t found = 0;
    LeafCellMap leaves;
    EXPECT_EQ(file.ReadPage(*roots.begin(), page.data()), 0);
    EXPECT_EQ(file.CollectLiveCells(page.data(), *roots.begin(), leaves), 0);
    for (const auto& [index, cells] : leaves) {
      EXPECT_EQ(file.ReadPage(index, page.data()), 0);
      CandidateList list;
      DetectFreeblocks(file, page.data(), index, list);
      found += list.size();
    }
    return found;
  };
  EXPECT_EQ(freeblocks("message"), 1u);  // row 9 only
  EXPECT_EQ(freeblocks("plain"), 2u);    // the same bytes for a table without the guid rule
}

TEST(FreeblockDetectorTest, SpilledRowsAreFoundWhateverTheLengthOfTheirRowid) {
  // Rowids of 1 byte (the header length was overwritten too), 2 bytes (it stands at byte 4) and
  // 3 bytes (it stands after the rest of the rowid).
  for (const int pageSize : {1024, 4096}) {
    SCOPED_TRACE(pageSize);
    fixtures::TempDir dir;
    const auto rows = fixtures::MakeSpilledRows(dir / "s.db", pageSize, /*reuseFreedPages=*/false);
    CSqliteRecoveryFile file;
    ASSERT_EQ(file.OpenDatabaseFile(dir / "s.db"), 0);
    file.SetDeclaredColumnCount("t", 3);
    file.SetCurrentTable("t");
    std::vector<std::uint8_t> page(file.pageSize());
    ASSERT_EQ(file.ReadPage(0, page.data()), 0);
    RootPageSet roots;
    ASSERT_EQ(file.FindRootPages(page.data(), "t", roots), 0);
    ASSERT_EQ(file.ReadPage(*roots.begin(), page.data()), 0);
    LeafCellMap leaves;
    ASSERT_EQ(file.CollectLiveCells(page.data(), *roots.begin(), leaves), 0);
    std::size_t spilled = 0;
    for (const auto& [index, cells] : leaves) {
      ASSERT_EQ(file.ReadPage(index, page.data()), 0);
      CandidateList list;
      DetectFreeblocks(file, page.data(), index, list);
      spilled += static_cast<std::size_t>(std::count_if(list.begin(), list.end(), [](const Candidate& c) { return c.spilled; }));
    }
    EXPECT_EQ(spilled, rows.t.deleted.size());
  }
}

// Index of the first leaf of the freelist's first trunk, read from the raw file.
std::uint32_t FirstFreelistLeaf(const std::string& bytes, std::uint32_t pageSize) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
  const std::uint32_t trunk = fmt::Be32(p + 32);
  if (trunk == 0 || fmt::Be32(p + (trunk - 1) * pageSize + 4) == 0) return 0;
  return fmt::Be32(p + (trunk - 1) * pageSize + 8) - 1;
}

TEST(FreelistAdoptionTest, EmptyFreedPagesAreAdoptedOnlyByTheTablesThatAllowIt) {
  struct Case {
    const char* table;
    int columns;
    bool adopted;
  };
  const Case cases[] = {{"message", 38, true}, {"ZWAMESSAGE", 28, false}};
  for (const auto& c : cases) {
    fixtures::TempDir dir;
    const auto path = dir / "db";
    {
      fixtures::SqliteDb db(path, 1024);
      db.Exec(fixtures::CreateTableSql(c.table, c.columns));
      std::vector<SqlRow> rows;
      for (int id = 1; id <= 200; ++id) {
        SqlRow row(static_cast<std::size_t>(c.columns), "NULL");
        row[0] = std::to_string(id);
        row[1] = fixtures::Quote(fixtures::FillerText(36, id));
        rows.push_back(row);
      }
      fixtures::InsertRows(db, c.table, rows);
      db.Exec(std::string("DELETE FROM ") + c.table + " WHERE c0 BETWEEN 50 AND 120;");
    }
    // Make the first freed leaf a page without cells: its old cells stay where they were.
    const std::uint32_t leaf = FirstFreelistLeaf(fixtures::ReadFileBytes(path), 1024);
    ASSERT_NE(leaf, 0u) << c.table;
    fixtures::PatchFile(path, std::uint64_t{leaf} * 1024 + 3, std::string("\0\0", 2));

    const auto result = testing::Carve(path, c.table);
    ASSERT_EQ(result.code, 0);
    std::size_t fromEmptyPage = 0, fromOtherFreedPages = 0;
    for (const auto& r : result.records) {
      if (!r.onFreelistPage) continue;
      (r.pageNumber == leaf + 1 ? fromEmptyPage : fromOtherFreedPages)++;
      if (r.pageNumber == leaf + 1) {
        EXPECT_EQ(testing::Literal(r.values[1]).substr(0, 1), "'");
      }
    }
    EXPECT_EQ(fromEmptyPage > 0, c.adopted) << c.table;
    EXPECT_GT(fromOtherFreedPages, 0u) << c.table;  // pages with cells are adopted by both
  }
}

}  // namespace
}  // namespace vesmar
