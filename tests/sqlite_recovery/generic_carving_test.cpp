// Carving tables whose first column is not an integer key (the forensic corpus is made of such):
// the first serial type of a freed cell is lost with content behind it, neighbouring freed cells
// merge, and a dropped table's only page becomes the freelist's trunk.
#include "sqlite_recovery/generic_carving.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "sqlite_recovery/sqlite_recovery_file.h"
#include "tests/fixtures/temp_dir.h"
#include "tests/sqlite_recovery/carving_support.h"

namespace vesmar {
namespace {

using fixtures::SqlRow;

std::string AllValues(const GenericRecord& r) {
  std::string out;
  for (std::size_t i = 0; i < r.values.size(); ++i)
    out += (i ? "|" : "") + (i == 0 && r.lostFirstColumn ? std::string("?") : testing::Literal(r.values[i]));
  return out;
}

std::string AllValues(const SqlRow& row) {
  std::string out;
  for (std::size_t i = 0; i < row.size(); ++i) out += (i ? "|" : "") + row[i];
  return out;
}

std::vector<std::string> Sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

TEST(GenericCarvingTest, RowsWithoutAnIntegerKeyComeBackWholeFromFreeblocksAndTrunkPages) {
  fixtures::TempDir dir;
  const auto path = dir / "users.db";
  std::vector<SqlRow> live, deletedUsers, gone;
  {
    fixtures::SqliteDb db(path, 1024);
    db.Exec("CREATE TABLE users(id INT, name TEXT, n INT); CREATE TABLE gone(id INT, name TEXT, n INT);");
    std::vector<SqlRow> users;
    for (int i = 1; i <= 20; ++i)
      users.push_back({std::to_string(20000 + i), fixtures::Quote("name " + std::to_string(i)), std::to_string(i * 1000003)});
    for (int i = 1; i <= 15; ++i)
      gone.push_back({std::to_string(30000 + i), fixtures::Quote("gone " + std::to_string(i)), std::to_string(i * 7)});
    fixtures::InsertRows(db, "users", users);
    fixtures::InsertRows(db, "gone", gone);
    // One at a time, so 3, 4 and 5 (neighbours) merge into one freeblock; 20 was the top cell.
    for (const int i : {3, 4, 5, 10, 20}) {
      db.Exec("DELETE FROM users WHERE id = " + std::to_string(20000 + i) + ";");
      deletedUsers.push_back(users[static_cast<std::size_t>(i - 1)]);
    }
    for (int i = 0; i < 20; ++i)
      if (std::find(deletedUsers.begin(), deletedUsers.end(), users[static_cast<std::size_t>(i)]) == deletedUsers.end())
        live.push_back(users[static_cast<std::size_t>(i)]);
    for (const int i : {2, 7, 8}) db.Exec("DELETE FROM gone WHERE id = " + std::to_string(30000 + i) + ";");
    db.Exec("DROP TABLE gone;");  // its only page becomes the freelist's trunk
  }

  CSqliteRecoveryFile file;
  ASSERT_EQ(file.OpenDatabaseFile(path), 0);
  ASSERT_EQ(file.freelistTrunks().size(), 1u);
  std::vector<SchemaEntry> schema;
  ASSERT_EQ(ReadSchema(file, schema), 0);

  std::vector<GenericRecord> users;
  CarveRun run;
  ASSERT_EQ(CarveTable(file, schema, "users", 0, users, run), 0);
  std::vector<std::string> liveFound, deletedFound, trunkFound;
  for (const auto& r : users) {
    if (r.status == RecordStatus::Live) liveFound.push_back(AllValues(r));
    else (r.origin == RecordOrigin::FreelistTrunk ? trunkFound : deletedFound).push_back(AllValues(r));
  }
  std::vector<std::string> expectedLive, expectedDeleted, expectedGone;
  for (const auto& row : live) expectedLive.push_back(AllValues(row));
  for (const auto& row : deletedUsers) expectedDeleted.push_back(AllValues(row));
  for (const auto& row : gone) expectedGone.push_back(AllValues(row));
  EXPECT_EQ(Sorted(liveFound), Sorted(expectedLive));
  // Every deleted row whole, its id read from the bytes its lost serial type left over.
  EXPECT_EQ(Sorted(deletedFound), Sorted(expectedDeleted));
  // The trunk page held the dropped table's rows; with the same column count they are offered
  // for users as well, marked by where they came from.
  EXPECT_EQ(Sorted(trunkFound), Sorted(expectedGone));

  // Carved by name with its column count, the dropped table gives all its rows, deleted or not.
  std::vector<GenericRecord> dropped;
  ASSERT_EQ(CarveTable(file, schema, "gone", 3, dropped, run), 0);
  std::vector<std::string> droppedFound;
  for (const auto& r : dropped) droppedFound.push_back(AllValues(r));
  EXPECT_EQ(Sorted(droppedFound), Sorted(expectedGone));
}

TEST(GenericCarvingTest, DeclaredColumnsAndTheIntegerKeyComeFromSqliteItself) {
  struct Case {
    const char* sql;
    std::int32_t columns;
    std::int32_t rowidAlias;
  };
  const Case cases[] = {
      {"CREATE TABLE t(a, b, c)", 3, -1},
      {"CREATE TABLE t(id INTEGER PRIMARY KEY, \"x,y\" TEXT DEFAULT 'a,b', z CHECK(z > 0))", 3, 0},
      {"CREATE TABLE t(a TEXT, id integer primary key autoincrement)", 2, 1},
      {"CREATE TABLE t(id INT PRIMARY KEY, b)", 2, -1},                // INT is no rowid alias
      {"CREATE TABLE t(id INTEGER, b, PRIMARY KEY(id, b))", 2, -1},    // two key columns
      {"CREATE TABLE t(id INTEGER PRIMARY KEY, b) WITHOUT ROWID", 2, -1},
      {"CREATE TABLE t(a, b AS (a * 2) VIRTUAL, c)", 2, -1},           // not stored in rows
      {"CREATE TABLE t AS SELECT 1 AS a", 0, -1},                      // refused: runs a query
      {"ATTACH 'x.db' AS x", 0, -1},
      {"CREATE TABLE t(a", 0, -1},
      {"", 0, -1},
  };
  for (const auto& c : cases) {
    const DeclaredTable declared = ReadDeclaredTable(c.sql);
    EXPECT_EQ(declared.columns, c.columns) << c.sql;
    EXPECT_EQ(declared.rowidAlias, c.rowidAlias) << c.sql;
  }
}

}  // namespace
}  // namespace vesmar
