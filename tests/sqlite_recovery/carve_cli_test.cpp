// Runs the real vesmar-cli carve, as an examiner or a script would.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <nlohmann/json.hpp>

#include "tests/fixtures/deleted_rows_fixture.h"
#include "tests/fixtures/program_run.h"
#include "tests/fixtures/temp_dir.h"

namespace vesmar {
namespace {

namespace fs = std::filesystem;

using CliRun = fixtures::ProgramRun;

CliRun Carve(const std::string& args, const fixtures::TempDir& dir) {
  return fixtures::RunProgram(std::string(VESMAR_CLI_PATH) + " carve " + args, dir / "stderr.txt");
}

std::string Q(const fs::path& p) { return fixtures::ShellQuoted(p); }

TEST(CarveCommandTest, JsonGivesEveryRecordWithItsSourceAndTypedValues) {
  fixtures::TempDir dir;
  const auto rows = fixtures::MakeMixedTable(dir / "t.db", 1024);
  const CliRun run = Carve(Q(dir / "t.db") + " T --json", dir);  // table names ignore case
  ASSERT_EQ(run.status, 0) << run.err;
  const auto doc = nlohmann::json::parse(run.out);
  EXPECT_EQ(doc["table"], "t");
  EXPECT_EQ(doc["columnCount"], 5);
  EXPECT_EQ(doc["columnCountSource"], "CREATE TABLE");
  EXPECT_EQ(doc["result"], 0);
  std::size_t live = 0, deleted = 0;
  for (const auto& r : doc["records"]) {
    ASSERT_EQ(r["values"].size(), 5u);
    if (r["status"] == "Live") {
      ++live;
      EXPECT_EQ(r["source"], "live cell");
      EXPECT_TRUE(r["rowid"].is_number());
    } else {
      ++deleted;
      EXPECT_TRUE(r["rowid"].is_null());
      EXPECT_TRUE(r["source"] == "freeblock" || r["source"] == "gap" || r["source"] == "tail" ||
                  r["source"] == "stale slot")
          << r["source"];
    }
    if (r["rowid"] == 32) {  // text that is not UTF-8 is shown replaced, with its bytes
      EXPECT_EQ(r["values"][1], (nlohmann::json{{"type", "text"}, {"value", "A\xEF\xBF\xBD("}, {"valid", false}, {"hex", "41c328"}}));
    }
    if (r["rowid"] == 2) {
      EXPECT_EQ(r["values"][0], (nlohmann::json{{"type", "null"}}));
      EXPECT_EQ(r["values"][2], (nlohmann::json{{"type", "integer"}, {"value", 2000}}));
      EXPECT_EQ(r["values"][3], (nlohmann::json{{"type", "real"}, {"value", 2.25}}));
      EXPECT_EQ(r["values"][4], (nlohmann::json{{"type", "blob"}, {"hex", "020202"}}));
    }
  }
  EXPECT_EQ(live, rows.live.size());
  EXPECT_EQ(deleted, rows.deleted.size() - 2);  // the spilled row and the one with bad text are lost
}

TEST(CarveCommandTest, TextPrintsOneLinePerRecordAndLeavesTheFileAsItWas) {
  fixtures::TempDir dir;
  const auto path = dir / "t.db";
  const auto rows = fixtures::MakeMixedTable(path, 4096);
  const std::string before = fixtures::ReadFileBytes(path);
  const auto modified = fs::last_write_time(path);

  const CliRun run = Carve(Q(path) + " t", dir);
  ASSERT_EQ(run.status, 0) << run.err;
  std::istringstream lines(run.out);
  std::vector<std::string> all;
  for (std::string line; std::getline(lines, line);) all.push_back(line);
  ASSERT_EQ(all.size(), 33u);
  EXPECT_EQ(all.back(), "table t: 5 columns (CREATE TABLE); 26 live, 6 deleted");
  all.pop_back();
  for (const auto& line : all) EXPECT_TRUE(line.rfind("Live ", 0) == 0 || line.rfind("Deleted ", 0) == 0) << line;
  // The last row was carved from the gap, its key's serial type overwritten.
  EXPECT_NE(run.out.find("rowid -          ? | 'last row' | 34 | 34.75 | X'0102'"), std::string::npos) << run.out;

  EXPECT_EQ(fixtures::ReadFileBytes(path), before);
  EXPECT_EQ(fs::last_write_time(path), modified);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);  // t.db, stderr.txt
}

TEST(CarveCommandTest, ColumnsGivenCarveADroppedTableFromTheFreelist) {
  fixtures::TempDir dir;
  const auto path = dir / "d.db";
  {
    fixtures::SqliteDb db(path, 1024);
    db.Exec(fixtures::CreateTableSql("dropped", 3) + fixtures::CreateTableSql("scratch", 2));
    std::vector<fixtures::SqlRow> rows, scratch;
    for (int id = 1; id <= 60; ++id) {
      rows.push_back({std::to_string(id), fixtures::Quote("dropped row " + std::to_string(id)), std::to_string(id)});
      scratch.push_back({std::to_string(id), fixtures::Quote(fixtures::FillerText(40, id))});
    }
    fixtures::InsertRows(db, "dropped", rows);
    fixtures::InsertRows(db, "scratch", scratch);
    // scratch goes first and gives the freelist its trunk; the pages of dropped become leaves.
    db.Exec("DROP TABLE scratch; DROP TABLE dropped;");
  }
  EXPECT_EQ(Carve(Q(path) + " dropped", dir).status, 1);
  const CliRun run = Carve(Q(path) + " dropped --columns 3 --json", dir);
  ASSERT_EQ(run.status, 0) << run.err;
  const auto doc = nlohmann::json::parse(run.out);
  EXPECT_EQ(doc["columnCountSource"], "given");
  std::set<std::int64_t> ids;
  for (const auto& r : doc["records"]) {
    EXPECT_EQ(r["status"], "Deleted");
    if (r["source"] == "freelist page") {
      const std::int64_t id = r["rowid"];
      EXPECT_EQ(r["values"][1]["value"], "dropped row " + std::to_string(id));
      ids.insert(id);
    }
  }
  std::set<std::int64_t> all;
  for (int id = 1; id <= 60; ++id) all.insert(id);
  EXPECT_EQ(ids, all);
}

TEST(CarveCommandTest, ClearErrorsAndUsage) {
  fixtures::TempDir dir;
  fixtures::MakeMixedTable(dir / "t.db", 1024);
  fixtures::WriteFileBytes(dir / "text.txt", std::string(3000, 'a'));
  struct Case {
    std::string args;
    int status;
    const char* message;
  };
  const Case cases[] = {
      {Q(dir / "missing.db") + " t", 1, "No such file"},
      {Q(dir / "text.txt") + " t", 1, "not an SQLite 3 database"},
      {Q(dir / "t.db") + " nosuch", 1, "no table named 'nosuch'"},
      {Q(dir / "t.db"), 64, "usage:"},
      {Q(dir / "t.db") + " t --columns 0", 64, "usage:"},
      {Q(dir / "t.db") + " t --frobnicate", 64, "usage:"},
  };
  for (const auto& c : cases) {
    const CliRun run = Carve(c.args, dir);
    EXPECT_EQ(run.status, c.status) << c.args;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << c.args << ": " << run.err;
    EXPECT_TRUE(run.out.empty()) << c.args;
  }
}

}  // namespace
}  // namespace vesmar
