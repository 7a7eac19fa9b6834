// Runs the real vesmar-cli executable, as a user or a script would.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>

#include "recovery/backup_catalogue.h"
#include "tests/fixtures/backup_builder.h"
#include "tests/fixtures/program_run.h"
#include "tests/fixtures/scoped_zone.h"
#include "tests/fixtures/temp_dir.h"

namespace vesmar {
namespace {

namespace fs = std::filesystem;

using CliRun = fixtures::ProgramRun;

CliRun RunCli(const std::string& args, const fixtures::TempDir& dir) {
  return fixtures::RunProgram(std::string(VESMAR_CLI_PATH) + " " + args, dir / "stderr.txt");
}

std::string Q(const fs::path& p) { return fixtures::ShellQuoted(p); }

TEST(CliTest, DemoScanAsJsonHasEveryCategory) {
  fixtures::TempDir dir;
  ASSERT_EQ(RunCli("demo " + Q(dir / "demo"), dir).status, 0);
  const CliRun run = RunCli("scan " + Q(dir / "demo") + " --json", dir);
  ASSERT_EQ(run.status, 0) << run.err;
  const auto doc = nlohmann::json::parse(run.out);
  EXPECT_EQ(doc["result"], 0);
  const char* names[] = {"Camera Roll", "Photo Stream", "App Photos", "App Videos", "Messages",
                         "Messages Attachments", "Contacts", "Call History", "Notes", "WhatsApp",
                         "WhatsApp Attachments"};
  ASSERT_EQ(doc["categories"].size(), std::size(names));
  for (const char* name : names) EXPECT_TRUE(doc["categories"][name].is_array()) << name;
  // Writing the demo a second time into the same folder is refused, never overwrites.
  EXPECT_NE(RunCli("demo " + Q(dir / "demo"), dir).status, 0);
}

// Folder names need not be valid UTF-8; the JSON shows such bytes as U+FFFD.
TEST(CliTest, JsonOfAFolderNameThatIsNotUtf8) {
  fixtures::TempDir dir;
  const fs::path folder = dir / "backup-\xff";
  ASSERT_EQ(RunCli("demo " + Q(folder), dir).status, 0);
  for (const std::string& args : {"scan " + Q(folder) + " --json", "scan " + Q(dir / "none-\xff") + " --json"}) {
    const CliRun run = RunCli(args, dir);
    const auto doc = nlohmann::json::parse(run.out, nullptr, false);
    ASSERT_FALSE(doc.is_discarded()) << args << "\n" << run.err;
    EXPECT_EQ(doc["categories"].size(), 11u) << args;
  }
  const auto doc = nlohmann::json::parse(RunCli("scan " + Q(folder) + " --json", dir).out);
  const std::string path = doc["categories"]["Camera Roll"][0]["fullPath"];
  EXPECT_EQ(path.rfind((dir / "backup-\xEF\xBF\xBD/").string(), 0), 0u) << path;
}

TEST(CliTest, TableAndPlainProgressWhenNotATerminal) {
  fixtures::TempDir dir;
  ASSERT_EQ(RunCli("demo " + Q(dir / "demo"), dir).status, 0);
  const CliRun run = RunCli("scan " + Q(dir / "demo"), dir);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("Camera Roll"), std::string::npos);
  EXPECT_NE(run.out.find("WhatsApp Attachments"), std::string::npos);
  EXPECT_NE(run.err.find("progress 100%"), std::string::npos);
}

TEST(CliTest, BadInputGivesAClearMessageAndNonzeroStatus) {
  fixtures::TempDir dir;
  fs::create_directories(dir / "empty");
  std::ofstream(dir / "file.txt") << "x";
  fs::create_directories(dir / "damaged");
  std::ofstream(dir / "damaged" / "Manifest.db") << std::string(3000, 'q');
  fs::create_directories(dir / "damaged-mbdb");
  std::ofstream(dir / "damaged-mbdb" / "Manifest.mbdb") << "nope";
  fs::create_directories(dir / "not-empty");
  std::ofstream(dir / "not-empty" / "Info.plist") << "mine";

  struct Case {
    std::string args;
    int status;
    std::string says;
  };
  const Case cases[] = {
      {"scan " + Q(dir / "missing"), 1, "no such folder"},
      {"scan " + Q(dir / "file.txt"), 1, "is a file"},
      {"scan " + Q(dir / "empty"), 1, "no manifest"},
      {"scan " + Q(dir / "damaged"), 1, "damaged"},
      {"scan " + Q(dir / "damaged-mbdb"), 1, "no manifest"},
      {"scan", 64, "usage"},
      {"frobnicate", 64, "unknown command"},
      {"demo " + Q(dir / "not-empty"), 1, "not empty"},
      {"demo " + Q(dir / "file.txt"), 1, "not empty"},
  };
  for (const auto& c : cases) {
    const CliRun run = RunCli(c.args, dir);
    EXPECT_EQ(run.status, c.status) << c.args;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << c.args << ": " << run.err;
  }
  std::ifstream kept(dir / "not-empty" / "Info.plist");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "mine");
}

// The seven file categories of the demo backup are filled, each record with its file's facts.
TEST(CliTest, DemoScanFillsTheFileCategories) {
  fixtures::TempDir dir;
  ASSERT_EQ(RunCli("demo " + Q(dir / "demo"), dir).status, 0);
  const CliRun run = RunCli("scan " + Q(dir / "demo") + " --json", dir);
  ASSERT_EQ(run.status, 0) << run.err;
  const auto categories = nlohmann::json::parse(run.out)["categories"];
  for (const char* name : {"Camera Roll", "Photo Stream", "App Photos", "App Videos", "Messages Attachments",
                           "WhatsApp Attachments"}) {
    ASSERT_FALSE(categories[name].empty()) << name;
    for (const auto& file : categories[name]) {
      EXPECT_GT(file["size"].get<std::uint64_t>(), 0u) << name;
      EXPECT_EQ(fs::file_size(file["fullPath"].get<std::string>()), file["size"].get<std::uint64_t>()) << name;
      EXPECT_FALSE(file["displayName"].get<std::string>().empty()) << name;
    }
  }
  EXPECT_EQ(categories["App Photos"][0]["appName"], "example.notes");
  EXPECT_EQ(categories["App Videos"][0]["displayName"], "clip.MP4");
  EXPECT_EQ(categories["Messages Attachments"][0]["mark"], 0);
  EXPECT_EQ(categories["Camera Roll"][0]["displayName"], "IMG_0001.JPG");
}

// The demo's messages and contacts come back live and deleted, with names beside the messages.
TEST(CliTest, DemoScanShowsMessagesAndContactsLiveAndDeleted) {
  fixtures::TempDir dir;
  ASSERT_EQ(RunCli("demo " + Q(dir / "demo"), dir).status, 0);
  const CliRun run = RunCli("scan " + Q(dir / "demo") + " --json", dir);
  ASSERT_EQ(run.status, 0) << run.err;
  const auto categories = nlohmann::json::parse(run.out)["categories"];
  std::map<std::string, int> messages;
  std::string deletedTexts;
  for (const auto& conversation : categories["Messages"])
    for (const auto& m : conversation["messages"]) {
      ++messages[m["status"].get<std::string>()];
      EXPECT_EQ(m["handleId"], conversation["key"]);
      if (m["status"] == "Deleted") deletedTexts += m["text"].get<std::string>() + "|";
      if (m["address"] == "+15550100123") {
        EXPECT_EQ(m["contactName"], "AnnaBerg");
      }
    }
  EXPECT_EQ(messages["Live"], 10);
  EXPECT_EQ(deletedTexts, "Did you get the tickets?|The spare key is under the blue pot|");
  std::map<std::string, std::string> contacts;
  for (const auto& c : categories["Contacts"]) contacts[c["name"]] = c["status"];
  EXPECT_EQ(contacts, (std::map<std::string, std::string>{
                          {"AnnaBerg", "Live"}, {"BenCarter", "Deleted"}, {"DoraEvans", "Live"}, {"No Name", "Live"}}));

  const CliRun table = RunCli("scan " + Q(dir / "demo"), dir);
  EXPECT_NE(table.out.find("Messages                     10        2"), std::string::npos) << table.out;
  EXPECT_NE(table.out.find("Contacts                      3        1"), std::string::npos) << table.out;
}

// list reads the user's backup folder (the test program's private one, inherited by the child).
TEST(CliTest, ListShowsTheCatalogueNewestFirst) {
  fixtures::TempDir dir;
  fixtures::ScopedZone zone("UTC0");
  const fs::path root = CatalogueRoot();
  {
    fixtures::BackupBuilder older(root / "older", fixtures::ManifestFormat::Mbdb);
    older.info().displayName = "Old iPad";
    older.info().lastBackupDate = "2019-05-01T12:00:00Z";
    older.info().serialNumber = "DMPOLD";
    older.AddFile("HomeDomain", "Library/AddressBook/AddressBook.sqlitedb", std::string(600, '\x9C'));
    older.Write();
    fixtures::BackupBuilder newer(root / "newer", fixtures::ManifestFormat::Db);
    newer.info().displayName = "New iPhone";
    newer.info().binary = true;
    newer.Write();
  }
  const CliRun table = RunCli("list", dir);
  ASSERT_EQ(table.status, 0) << table.err;
  const auto newRow = table.out.find("New iPhone");
  const auto oldRow = table.out.find("Old iPad");
  ASSERT_NE(newRow, std::string::npos) << table.out;
  ASSERT_NE(oldRow, std::string::npos) << table.out;
  EXPECT_LT(newRow, oldRow);
  EXPECT_NE(table.out.find("2019-05-01 12:00:00  DMPOLD"), std::string::npos) << table.out;

  const CliRun json = RunCli("list --json", dir);
  ASSERT_EQ(json.status, 0) << json.err;
  const auto backups = nlohmann::json::parse(json.out)["backups"];
  ASSERT_EQ(backups.size(), 2u);
  EXPECT_EQ(backups[0]["displayName"], "New iPhone");
  EXPECT_EQ(backups[0]["encrypted"], false);
  EXPECT_EQ(backups[1]["lastBackupDate"], "2019-05-01 12:00:00");
  EXPECT_EQ(backups[1]["serialNumber"], "DMPOLD");
  EXPECT_EQ(backups[1]["encrypted"], true);
  EXPECT_EQ(backups[1]["folder"], (root / "older").string());

  EXPECT_EQ(RunCli("list --bogus", dir).status, 64);
  fs::remove_all(root);
  const CliRun none = RunCli("list", dir);
  EXPECT_EQ(none.status, 0);
  EXPECT_NE(none.out.find("No backups"), std::string::npos);
}

// Names from a backup reach the terminal without their control characters.
TEST(CliTest, ListShowsNoControlCharactersOfABackup) {
  fixtures::TempDir dir;
  const fs::path root = CatalogueRoot();
  {
    fixtures::BackupBuilder backup(root / "hostile", fixtures::ManifestFormat::Db);
    backup.info().displayName = "Evil\x1b]2;owned\x07Phone";
    backup.info().serialNumber = "S\x1b[2J";
    backup.Write();
  }
  const CliRun run = RunCli("list", dir);
  fs::remove_all(root);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out.find_first_of("\x1b\x07"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("Evil?]2;owned?Phone"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("S?[2J"), std::string::npos) << run.out;
}

TEST(CliTest, ExportRecoversTheDemoAndRefusesBadArguments) {
  fixtures::TempDir dir;
  ASSERT_EQ(RunCli("demo " + Q(dir / "demo"), dir).status, 0);
  const CliRun run = RunCli("export " + Q(dir / "demo") + " " + Q(dir / "out"), dir);
  ASSERT_EQ(run.status, 0) << run.err;
  std::smatch m;
  ASSERT_TRUE(std::regex_search(run.out, m, std::regex(R"(Exported (\d+) of (\d+) item\(s\) into .*: (\d+) written, 0 failed)")))
      << run.out;
  EXPECT_EQ(m[1], m[2]);
  EXPECT_EQ(m[3], m[1]);
  // A file item writes its file, a conversation its page, its text and the dump; the calls and the
  // notes share one document per category.
  EXPECT_TRUE(fs::is_regular_file(dir / "out" / "Camera Roll" / "IMG_0001.JPG"));
  EXPECT_TRUE(fs::is_regular_file(dir / "out" / "App Video" / "example.camera" / "clip.MP4"));
  for (const char* records : {"Message", "Contacts", "CallHistory", "Notes", "WhatsApp Message"})
    EXPECT_FALSE(fs::is_empty(dir / "out" / records)) << records;

  // One category by a loose name; only deleted records (the demo's files are never deleted).
  const CliRun one = RunCli("export " + Q(dir / "demo") + " " + Q(dir / "one") + " --category camera-roll", dir);
  ASSERT_EQ(one.status, 0) << one.err;
  for (const auto& e : fs::directory_iterator(dir / "one")) EXPECT_EQ(e.path().filename(), "Camera Roll");
  // Only deleted records: the demo's files are never deleted, its deleted rows are exported.
  const CliRun deleted = RunCli("export " + Q(dir / "demo") + " " + Q(dir / "deleted") + " --only-deleted", dir);
  ASSERT_EQ(deleted.status, 0) << deleted.err;
  EXPECT_TRUE(std::regex_search(deleted.out, m, std::regex(R"(Exported (\d+) of \1 item\(s\) .*0 failed)"))) << deleted.out;
  EXPECT_GT(std::stoul(m[1]), 0u);
  EXPECT_FALSE(fs::exists(dir / "deleted" / "Camera Roll"));
  for (const char* records : {"Message", "CallHistory", "Notes", "WhatsApp Message"})
    EXPECT_TRUE(fs::exists(dir / "deleted" / records)) << records;
  for (const std::string& args : {"export " + Q(dir / "demo"), "export " + Q(dir / "demo") + " x --category Voicemail",
                                  "export " + Q(dir / "demo") + " x --bogus"})
    EXPECT_EQ(RunCli(args, dir).status, 64) << args;
  EXPECT_EQ(RunCli("export " + Q(dir / "none") + " " + Q(dir / "out"), dir).status, 1);
}

}  // namespace
}  // namespace vesmar
