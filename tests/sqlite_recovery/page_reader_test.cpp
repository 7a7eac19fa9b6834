#include "sqlite_recovery/sqlite_recovery_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <random>

#include "recovery/result_codes.h"
#include "sqlite_recovery/generic_record_parser.h"
#include "sqlite_recovery/sqlite_format.h"
#include "sqlite_recovery/table_driver.h"
#include "tests/fixtures/temp_dir.h"
#include "tests/sqlite_recovery/carving_support.h"

namespace vesmar {
namespace {

namespace fs = std::filesystem;
namespace fmt = sqlite_format;
using fixtures::SqlRow;

std::string Be32Bytes(std::uint32_t v) {
  return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
}

// Freelist leaf page indexes as the file says, read here without the reader under test.
std::vector<std::uint32_t> RawFreelist(const std::string& bytes, std::uint32_t pageSize) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
  std::vector<std::uint32_t> leaves;
  for (std::uint32_t trunk = fmt::Be32(p + 32); trunk != 0;) {
    const std::uint8_t* t = p + std::uint64_t{trunk - 1} * pageSize;
    for (std::uint32_t i = 0; i < fmt::Be32(t + 4); ++i) leaves.push_back(fmt::Be32(t + 8 + 4 * i) - 1);
    trunk = fmt::Be32(t);
  }
  return leaves;
}

TEST(OpenDatabaseFileTest, RefusesWhatIsNotADatabaseWithAClearCode) {
  fixtures::TempDir dir;
  fixtures::MakeMixedTable(dir / "good.db", 1024);
  const std::string good = fixtures::ReadFileBytes(dir / "good.db");
  std::string random(65536, '\0');
  std::mt19937 rng(7);
  for (auto& c : random) c = static_cast<char>(rng());
  auto withPageSize = [&](std::string_view raw) {
    std::string bytes = good;
    bytes.replace(16, 2, raw);
    return bytes;
  };
  struct Case {
    const char* name;
    std::string bytes;
    int expected;
  };
  const Case cases[] = {
      {"empty", "", result::kShortRead},
      {"ten-bytes", good.substr(0, 10), result::kShortRead},
      {"header-only", good.substr(0, 100), result::kShortRead},
      {"text", std::string(2000, 'a'), result::kInvalid},
      {"random", random, result::kInvalid},
      {"page-size-zero", withPageSize(std::string("\0\0", 2)), result::kInvalid},
      {"page-size-1000", withPageSize("\x03\xE8"), result::kInvalid},
      {"page-size-256", withPageSize(std::string("\x01\0", 2)), result::kInvalid},
      {"page-size-65536-but-short", withPageSize(std::string("\0\x01", 2)), result::kShortRead},
  };
  for (const auto& c : cases) {
    fixtures::WriteFileBytes(dir / c.name, c.bytes);
    CSqliteRecoveryFile file;
    EXPECT_EQ(file.OpenDatabaseFile(dir / c.name), c.expected) << c.name;
    EXPECT_FALSE(file.IsOpen()) << c.name;
    std::vector<GenericRecord> records;
    EXPECT_EQ(RecoverTable(file, "t", GenericRecordParser(records)), result::kInvalid) << c.name;
  }
  CSqliteRecoveryFile file;
  EXPECT_EQ(file.OpenDatabaseFile(dir / "missing.db"), ENOENT);
  EXPECT_EQ(file.OpenDatabaseFile(dir.path()), result::kInvalid);
  std::uint8_t buffer[16];
  EXPECT_EQ(file.ReadAt(16, buffer, 0), result::kInvalid);
}

TEST(OpenDatabaseFileTest, ReadsPageSizeOneAs65536) {
  fixtures::TempDir dir;
  fixtures::MakeMixedTable(dir / "big.db", 65536);
  const std::string bytes = fixtures::ReadFileBytes(dir / "big.db");
  ASSERT_EQ(bytes.substr(16, 2), std::string("\0\x01", 2));
  CSqliteRecoveryFile file;
  ASSERT_EQ(file.OpenDatabaseFile(dir / "big.db"), 0);
  EXPECT_EQ(file.pageSize(), 65536u);
  EXPECT_EQ(file.pageCount(), bytes.size() / 65536);
}

TEST(FreelistTest, ListsTheLeavesOfEveryTrunkAndOnlyThoseOfTheFileOpen) {
  fixtures::TempDir dir;
  fixtures::MakeFreedTable(dir / "freed.db", 1024);
  fixtures::MakeMixedTable(dir / "mixed.db", 1024);  // its spilled row left freed overflow pages
  const auto freed = RawFreelist(fixtures::ReadFileBytes(dir / "freed.db"), 1024);
  const auto mixed = RawFreelist(fixtures::ReadFileBytes(dir / "mixed.db"), 1024);
  ASSERT_GT(freed.size(), 10u);
  ASSERT_FALSE(mixed.empty());
  CSqliteRecoveryFile file;
  ASSERT_EQ(file.OpenDatabaseFile(dir / "freed.db"), 0);
  EXPECT_EQ(file.freelistPages(), freed);
  ASSERT_EQ(file.OpenDatabaseFile(dir / "mixed.db"), 0);
  EXPECT_EQ(file.freelistPages(), mixed);
}

TEST(FreelistTest, DamagedTrunksEndTheChainAndKeepWhatWasGathered) {
  fixtures::TempDir dir;
  fixtures::MakeFreedTable(dir / "f.db", 1024);
  const std::string original = fixtures::ReadFileBytes(dir / "f.db");
  const auto leaves = RawFreelist(original, 1024);
  const std::uint32_t trunk = fmt::Be32(reinterpret_cast<const std::uint8_t*>(original.data()) + 32);
  const std::uint64_t trunkAt = std::uint64_t{trunk - 1} * 1024;
  const std::uint32_t capacity = (1024 - 8) / 4;

  struct Case {
    const char* name;
    std::uint64_t at;
    std::string bytes;
    std::vector<std::uint32_t> expected;
  };
  const Case cases[] = {
      {"trunk-names-itself", trunkAt, Be32Bytes(trunk), leaves},
      {"trunk-past-the-end", 32, Be32Bytes(1'000'000), {}},
      {"more-leaves-than-fit", trunkAt + 4, Be32Bytes(100'000), leaves},
  };
  for (const auto& c : cases) {
    fixtures::WriteFileBytes(dir / c.name, original);
    fixtures::PatchFile(dir / c.name, c.at, c.bytes);
    CSqliteRecoveryFile file;
    ASSERT_EQ(file.OpenDatabaseFile(dir / c.name), 0) << c.name;
    // Entries beyond the real leaves are zero and name no page.
    EXPECT_EQ(file.freelistPages(), c.expected) << c.name;
    EXPECT_LE(file.freelistPages().size(), capacity) << c.name;
  }
}

TEST(FindRootPagesTest, FindsTablesThroughAnInteriorSchemaRoot) {
  fixtures::TempDir dir;
  const auto path = dir / "many.db";
  fixtures::MakeManyTables(path, 80);
  ASSERT_EQ(static_cast<unsigned char>(fixtures::ReadFileBytes(path)[100]), 5u) << "schema root should be interior";
  auto root = [&](const std::string& name) {
    return static_cast<std::uint32_t>(fixtures::QueryInt(path, "SELECT rootpage FROM sqlite_master WHERE name='" + name + "'") - 1);
  };
  struct Case {
    const char* table;
    RootPageSet expected;
  };
  const Case cases[] = {
      {"t0", {root("t0"), root("t0_c1")}},  // its index, not its trigger (root 0)
      {"t57", {root("t57")}},
      {"T57", {}},    // names compare exactly
      {"table", {}},  // the type column is no table name
      {"t0_trigger", {}},
  };
  CSqliteRecoveryFile file;
  ASSERT_EQ(file.OpenDatabaseFile(path), 0);
  std::vector<std::uint8_t> page1(file.pageSize());
  ASSERT_EQ(file.ReadPage(0, page1.data()), 0);
  for (const auto& c : cases) {
    RootPageSet roots;
    EXPECT_EQ(file.FindRootPages(page1.data(), c.table, roots), 0);
    EXPECT_EQ(roots, c.expected) << c.table;
  }
  const auto t57 = testing::Carve(path, "t57");
  EXPECT_EQ(testing::LiveRows(t57.records), std::vector<std::string>{"1:'row of t57'"});
}

TEST(CellPointersTest, APageWithOneCellUsesTheStartOfItsCellArea) {
  fixtures::TempDir dir;
  const auto path = dir / "one.db";
  {
    fixtures::SqliteDb db(path, 1024);
    db.Exec(fixtures::CreateTableSql("t", 2) + "INSERT INTO t VALUES(7, 'only row');");
  }
  const std::uint64_t page2 = 1024;
  const std::string bytes = fixtures::ReadFileBytes(path);
  ASSERT_EQ(fmt::Be16(reinterpret_cast<const std::uint8_t*>(bytes.data()) + page2 + 3), 1u);
  fixtures::PatchFile(path, page2 + 8, "\x00\x09");  // the pointer now says 9
  CSqliteRecoveryFile file;
  ASSERT_EQ(file.OpenDatabaseFile(path), 0);
  std::vector<std::uint8_t> page(1024);
  ASSERT_EQ(file.ReadPage(1, page.data()), 0);
  EXPECT_EQ(file.ReadCellPointers(page.data(), 1), std::vector<std::uint16_t>{fmt::Be16(page.data() + 5)});
  EXPECT_EQ(testing::LiveRows(testing::Carve(path, "t").records), std::vector<std::string>{"7:'only row'"});
}

TEST(CellPointersTest, ADamagedLiveCellCostsOnlyItsRow) {
  // Table handle follows the column count of its live rows, which the driver counts cell by cell.
  fixtures::TempDir dir;
  const auto path = dir / "sms.db";
  {
    fixtures::SqliteDb db(path, 1024);
    db.Exec(fixtures::CreateTableSql("handle", 5));
    fixtures::InsertRows(db, "handle", {{"1", "'a'", "'us'", "'SMS'", "NULL"}, {"2", "'b'", "'us'", "'SMS'", "NULL"},
                                        {"3", "'c'", "'us'", "'SMS'", "NULL"}});
  }
  const std::string original = fixtures::ReadFileBytes(path);
  const auto* page2 = reinterpret_cast<const std::uint8_t*>(original.data()) + 1024;
  ASSERT_EQ(page2[fmt::Be16(page2 + 8) + 1], 1) << "row 1 should come first";
  const std::string rows[] = {"1:'a'|'us'|'SMS'|NULL", "2:'b'|'us'|'SMS'|NULL", "3:'c'|'us'|'SMS'|NULL"};
  const std::uint64_t row1 = fmt::Be16(page2 + 8);
  // Payload length and rowid take a byte each; the header length after them becomes 2^64 - 1.
  const std::pair<std::uint64_t, std::string> endlessHeader{row1 + 2, std::string(9, '\xFF')};
  // The pointer of row 2 lies beyond the page, so row 1 (the last cell) seems to end out there.
  const std::pair<std::uint64_t, std::string> farPointer{8 + 2, "\x13\x88"};
  struct Case {
    const char* name;
    std::vector<std::pair<std::uint64_t, std::string>> patches;  // within page 2
    std::vector<int> lost;                                        // rows that cannot come back
  };
  const Case cases[] = {
      {"largest header length", {endlessHeader}, {0}},
      {"pointer past the page", {farPointer}, {1}},
      {"both", {endlessHeader, farPointer}, {0, 1}},
  };
  for (const auto& c : cases) {
    fixtures::WriteFileBytes(dir / "damaged.db", original);
    for (const auto& [at, bytes] : c.patches) fixtures::PatchFile(dir / "damaged.db", 1024 + at, bytes);
    const auto result = testing::Carve(dir / "damaged.db", "handle");
    EXPECT_EQ(result.code, 0) << c.name;
    const auto live = testing::LiveRows(result.records);
    for (int i = 0; i < 3; ++i)
      if (std::count(c.lost.begin(), c.lost.end(), i) == 0) {
        EXPECT_TRUE(std::find(live.begin(), live.end(), rows[i]) != live.end()) << c.name << ": " << rows[i];
      }
  }
}

// Table t(c0, c1) with a small row, then a row that spills over `pages` overflow pages, then the
// small row deleted: the spilled cell is no longer followed directly by its neighbour.
fs::path MakeSpilledRow(const fixtures::TempDir& dir, const std::string& text) {
  const auto path = dir / "spill.db";
  fixtures::SqliteDb db(path, 1024);
  db.Exec(fixtures::CreateTableSql("t", 2));
  fixtures::InsertRows(db, "t", {{"1", "'small'"}, {"2", fixtures::Quote(text)}, {"3", "'after'"}});
  db.Exec("DELETE FROM t WHERE c0 = 1;");
  return path;
}

TEST(AssemblePayloadTest, FollowsTheOverflowChainOfACellWhateverItsNeighbours) {
  fixtures::TempDir dir;
  const std::string text = fixtures::FillerText(3000, 5);
  const auto path = MakeSpilledRow(dir, text);
  EXPECT_EQ(testing::LiveRows(testing::Carve(path, "t").records),
            (std::vector<std::string>{"2:" + fixtures::Quote(text), "3:'after'"}));
}

TEST(AssemblePayloadTest, DamagedChainsEndWithoutTheRow) {
  fixtures::TempDir dir;
  const std::string text = fixtures::FillerText(3000, 5);
  const auto path = MakeSpilledRow(dir, text);
  const std::string original = fixtures::ReadFileBytes(path);
  // The first overflow page is the page right after the table's root (page 3, index 2).
  const std::uint64_t overflow = 2 * 1024;
  ASSERT_NE(original.find(text.substr(1500, 40)), std::string::npos);
  struct Case {
    const char* name;
    std::string next;
  };
  const Case cases[] = {
      {"loops-to-itself", Be32Bytes(3)},
      {"past-the-end", Be32Bytes(0xFFFFFFFF)},
      {"ends-early", Be32Bytes(0)},
  };
  for (const auto& c : cases) {
    fixtures::WriteFileBytes(dir / c.name, original);
    fixtures::PatchFile(dir / c.name, overflow, c.next);
    const auto result = testing::Carve(dir / c.name, "t");
    EXPECT_EQ(result.code, 0) << c.name;
    // The spilled row cannot be whole and is rejected; its neighbour stays.
    EXPECT_EQ(testing::LiveRows(result.records), std::vector<std::string>{"3:'after'"}) << c.name;
  }
}

// Forty cells whose payload lengths were raised to 2 MB, all pointing into the 600 KB overflow
// chain of the first row: each would read the whole chain again.
TEST(AssemblePayloadTest, CellsSharingOneLongChainReadItWithinABudget) {
  fixtures::TempDir dir;
  const auto path = dir / "shared.db";
  {
    fixtures::SqliteDb db(path, 1024);
    db.Exec(fixtures::CreateTableSql("t", 2) + "INSERT INTO t VALUES(1, zeroblob(600000));");
    for (int id = 2; id <= 41; ++id) db.Exec("INSERT INTO t VALUES(" + std::to_string(id) + ", zeroblob(20000));");
  }
  std::uint32_t pageCount = 0;
  {
    CSqliteRecoveryFile file;
    ASSERT_EQ(file.OpenDatabaseFile(path), 0);
    pageCount = file.pageCount();
    std::vector<std::uint8_t> page(1024);
    ASSERT_EQ(file.ReadPage(0, page.data()), 0);
    RootPageSet roots;
    ASSERT_EQ(file.FindRootPages(page.data(), "t", roots), 0);
    LeafCellMap cells;
    ASSERT_EQ(file.ReadPage(*roots.begin(), page.data()), 0);
    ASSERT_EQ(file.CollectLiveCells(page.data(), *roots.begin(), cells), 0);
    // Local part of a spilled payload on pages of 1024 usable bytes (the file format's rule).
    const auto local = [](std::int64_t length) {
      const std::int64_t minLocal = (1024 - 12) * 32 / 255 - 23, k = minLocal + (length - minLocal) % 1020;
      return k <= 1024 - 35 ? k : minLocal;
    };
    std::string firstChain;
    struct Cell {
      std::uint64_t at;  // in the file
      std::int64_t length, rowidLength;
    };
    std::vector<Cell> others;
    for (const auto& [index, offsets] : cells) {
      ASSERT_EQ(file.ReadPage(index, page.data()), 0);
      for (const std::uint16_t offset : offsets) {
        const auto length = fmt::ReadVarint(page.data() + offset, 9);
        const auto rowid = fmt::ReadVarint(page.data() + offset + length.length, 9);
        ASSERT_EQ(length.length, 3);
        const std::int64_t pointer = offset + 3 + rowid.length + local(static_cast<std::int64_t>(length.value));
        if (rowid.value == 1) firstChain.assign(reinterpret_cast<const char*>(page.data()) + pointer, 4);
        else others.push_back({std::uint64_t{index} * 1024 + offset, static_cast<std::int64_t>(length.value), rowid.length});
      }
    }
    ASSERT_EQ(firstChain.size(), 4u);
    ASSERT_EQ(others.size(), 40u);
    for (const auto& [at, length, rowidLength] : others) {
      // The largest 3-byte length with the same local part, so the chain pointer stays in place.
      const std::int64_t raised = length + (0x1FFFFF - length) / 1020 * 1020;
      const std::string varint = {static_cast<char>(0x80 | (raised >> 14)), static_cast<char>(0x80 | ((raised >> 7) & 0x7F)),
                                  static_cast<char>(raised & 0x7F)};
      fixtures::PatchFile(path, at, varint);
      fixtures::PatchFile(path, at + static_cast<std::uint64_t>(3 + rowidLength + local(raised)), firstChain);
    }
  }
  CSqliteRecoveryFile file;
  ASSERT_EQ(file.OpenDatabaseFile(path), 0);
  std::vector<GenericRecord> records;
  EXPECT_EQ(RecoverTable(file, "t", GenericRecordParser(records)), 0);
  // The first row is whole; the others cannot be.
  ASSERT_FALSE(records.empty());
  EXPECT_EQ(records.front().rowid, 1);
  ASSERT_EQ(records.front().values.size(), 2u);
  EXPECT_EQ(records.front().values[1].bytes.size(), 600000u);
  // Every page read goes through the cache: the run read the file a few times, not forty.
  EXPECT_LT(file.pageCache().hits() + file.pageCache().misses(), 6u * pageCount);
}

TEST(TableWalkTest, LoopsAndTruncationInTheTreeCostRowsNotTheRun) {
  fixtures::TempDir dir;
  const auto rows = fixtures::MakeMixedTable(dir / "t.db", 1024);
  const std::string original = fixtures::ReadFileBytes(dir / "t.db");
  const auto root = static_cast<std::uint64_t>(fixtures::QueryInt(dir / "t.db", "SELECT rootpage FROM sqlite_master WHERE name='t'"));
  ASSERT_EQ(static_cast<unsigned char>(original[(root - 1) * 1024]), 5u) << "root should be interior";
  const auto expected = testing::Keyed(rows.live);

  // The right-most child named as the root itself: the loop is walked once.
  fixtures::WriteFileBytes(dir / "loop.db", original);
  fixtures::PatchFile(dir / "loop.db", (root - 1) * 1024 + 8, Be32Bytes(static_cast<std::uint32_t>(root)));
  const auto loop = testing::Carve(dir / "loop.db", "t");
  EXPECT_EQ(loop.code, 0);
  for (const auto& row : testing::LiveRows(loop.records))
    EXPECT_TRUE(std::binary_search(expected.begin(), expected.end(), row)) << row;

  // Cut in the middle of the last page: the pages before it still give their rows.
  fixtures::WriteFileBytes(dir / "cut.db", original.substr(0, original.size() - 500));
  const auto cut = testing::Carve(dir / "cut.db", "t");
  EXPECT_EQ(cut.code, 0);
  const auto live = testing::LiveRows(cut.records);
  EXPECT_FALSE(live.empty());
  for (const auto& row : live) EXPECT_TRUE(std::binary_search(expected.begin(), expected.end(), row)) << row;
}

}  // namespace
}  // namespace vesmar
