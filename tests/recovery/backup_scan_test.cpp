#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fstream>
#include <map>
#include <sstream>

#include "recovery/itunes_backup.h"
#include "recovery/parser_factory.h"
#include "recovery/result_codes.h"
#include "recovery/scan_run.h"
#include "recovery/working_folders.h"
#include "tests/fixtures/backup_builder.h"
#include "tests/fixtures/progress_recorder.h"
#include "tests/fixtures/temp_dir.h"

namespace vesmar {
namespace {

namespace fs = std::filesystem;
using fixtures::BackupBuilder;
using fixtures::ManifestFormat;

using Recorder = fixtures::ProgressRecorder;

void BuildSmallBackup(BackupBuilder& b) {
  b.AddFile("CameraRollDomain", "Media/DCIM/100APPLE/IMG_0001.JPG", fixtures::SampleJpeg());
  b.AddFile("HomeDomain", "Library/SMS/sms.db", "not a database");
  b.AddFile("AppDomain-com.example.app", "Documents/a.png", fixtures::SamplePng());
  b.AddFile("MediaDomain", "Library/SMS/Attachments/ab/01/x.jpg", fixtures::SampleJpeg());
  b.AddFile("AppDomainGroup-group.net.whatsapp.WhatsApp.shared", "ChatStorage.sqlite", "chats");
  b.AddFile("AppDomainGroup-group.net.whatsapp.WhatsApp.shared", "ChatStorage.sqlite-wal", "log");
  b.AddFile("AppDomainGroup-group.net.whatsapp.WhatsApp.shared", "Contacts.sqlite", "contacts");
  b.AddEntry("HomeDomain", "Library/Notes", fixtures::EntryKind::Folder);
  b.Write();
}

std::map<fs::path, std::string> Snapshot(const fs::path& folder) {
  std::map<fs::path, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(folder)) {
    if (!e.is_regular_file()) continue;
    std::ifstream in(e.path(), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    files[e.path()] = s.str();
  }
  return files;
}

// The points at the end of Open and of each of the nine steps.
std::vector<int> StepEndPoints(IPhoneRecoveryParse& parser, Recorder& rec, int& openResult) {
  std::vector<int> points;
  openResult = parser.Open(u"");
  points.push_back(rec.reports.back());
  ScanResults r;
  RunCategorySteps(parser, r, [&](int) { points.push_back(rec.reports.back()); });
  return points;
}

class BackupScanTest : public ::testing::TestWithParam<ManifestFormat> {};

TEST_P(BackupScanTest, ProgressPointsOfAPlainBackup) {
  fixtures::TempDir dir;
  BackupBuilder b(dir / "backup", GetParam());
  BuildSmallBackup(b);

  CItunesBackup backup;
  BackupEntry entry;
  entry.folder = b.folder();
  backup.SetEntry(entry);
  auto parser = CreateParser(1, &backup);
  ASSERT_TRUE(parser);
  Recorder rec;
  parser->SetProgressCallback(&Recorder::Callback, &rec);
  int opened = -99;
  const auto points = StepEndPoints(*parser, rec, opened);
  EXPECT_EQ(opened, 0);
  EXPECT_EQ(rec.reports[0], 0);
  EXPECT_EQ(rec.reports[1], 1);
  EXPECT_EQ(points, (std::vector<int>{12, 34, 39, 50, 55, 60, 65, 76, 87, 98}));
  // Three collection walks report once per manifest entry (the mbdb reader drops the folder
  // entry); the backup source's WhatsApp step reuses the app step's list and does not walk.
  // The messages driver reports once more itself (its sms.db is no database).
  const std::size_t entries = backup.Manifest().size();
  EXPECT_EQ(entries, GetParam() == ManifestFormat::Db ? 8u : 7u);
  EXPECT_EQ(rec.reports.size(), 3 * entries + 3 + 9 + 1);
  EXPECT_EQ(backup.TwoLevelLayout(), GetParam() == ManifestFormat::Db);
}

TEST_P(BackupScanTest, DatabaseLocationsFollowTheLayout) {
  fixtures::TempDir dir;
  BackupBuilder b(dir / "backup", GetParam());
  BuildSmallBackup(b);
  CItunesBackup backup;
  BackupEntry entry;
  entry.folder = b.folder();
  backup.SetEntry(entry);
  ASSERT_EQ(backup.Open(u""), 0);
  const auto db = backup.LocateDatabases();
  EXPECT_EQ(db.messages, b.PathOf("HomeDomain", "Library/SMS/sms.db"));
  EXPECT_TRUE(fs::exists(db.messages));
  // Without CallHistory.storedata the older call database is used.
  EXPECT_EQ(db.callHistory.filename(), "2b2b0084a1bc3a5ac8c27afdf14afb42c61a19ca");
  EXPECT_EQ(db.whatsAppChats,
            b.PathOf("AppDomainGroup-group.net.whatsapp.WhatsApp.shared", "ChatStorage.sqlite"));
}

TEST(BackupScanTest, AManifestNameCannotLeadTheWhatsAppDatabaseOutOfTheBackup) {
  fixtures::TempDir dir;
  BackupBuilder b(dir / "backup", ManifestFormat::Db);
  BuildSmallBackup(b);
  {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((b.folder() / "Manifest.db").c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, "UPDATE Files SET fileID = '../../../home/ChatStorage.sqlite' "
                               "WHERE relativePath = 'ChatStorage.sqlite';", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
  }
  CItunesBackup backup;
  BackupEntry entry;
  entry.folder = b.folder();
  backup.SetEntry(entry);
  ASSERT_EQ(backup.Open(u""), 0);
  EXPECT_EQ(backup.LocateDatabases().whatsAppChats, fs::path());
}

INSTANTIATE_TEST_SUITE_P(Formats, BackupScanTest, ::testing::Values(ManifestFormat::Db, ManifestFormat::Mbdb));

TEST(BackupScanTest, StopAnswerEndsTheChain) {
  fixtures::TempDir dir;
  BackupBuilder b(dir / "backup", ManifestFormat::Db);
  BuildSmallBackup(b);
  CItunesBackup backup;
  BackupEntry entry;
  entry.folder = b.folder();
  backup.SetEntry(entry);
  auto parser = CreateParser(1, &backup);
  Recorder rec;
  rec.stopFromPercent = 40;  // the first report of the message attachment walk
  parser->SetProgressCallback(&Recorder::Callback, &rec);
  ASSERT_EQ(parser->Open(u""), 0);
  ScanResults results;
  EXPECT_EQ(RunCategorySteps(*parser, results), result::kStopped);
  // The stopped walk still makes its final report; no later step runs.
  ASSERT_GE(rec.reports.size(), 2u);
  EXPECT_EQ(rec.reports.back(), 50);
  EXPECT_EQ(rec.reports[rec.reports.size() - 2], 40);
}

TEST(BackupScanTest, OpenFailures) {
  fixtures::TempDir dir;
  CItunesBackup backup;
  BackupEntry entry;

  fs::create_directories(dir / "empty");
  entry.folder = dir / "empty";
  backup.SetEntry(entry);
  EXPECT_EQ(backup.Open(u""), result::kInvalid);

  fs::create_directories(dir / "damaged");
  std::ofstream(dir / "damaged" / "Manifest.db") << std::string(5000, 'x');
  entry.folder = dir / "damaged";
  backup.SetEntry(entry);
  const int rc = backup.Open(u"");
  EXPECT_NE(rc, 0);
  EXPECT_TRUE(backup.Manifest().empty());

  EXPECT_EQ(CreateParser(7, &backup), nullptr);
}

TEST(BackupScanTest, NothingOfTheUsersBackupIsChangedOrDeleted) {
  fixtures::TempDir dir;
  BackupBuilder b(dir / "backup", ManifestFormat::Db);
  BuildSmallBackup(b);
  const auto before = Snapshot(b.folder());
  {
    CItunesBackup backup;
    BackupEntry entry;
    entry.folder = b.folder();
    backup.SetEntry(entry);
    auto parser = CreateParser(1, &backup);
    ASSERT_EQ(parser->Open(u""), 0);
    ScanResults results;
    RunCategorySteps(*parser, results);
    parser.reset();
  }
  EXPECT_EQ(Snapshot(b.folder()), before);
}

TEST(BackupScanTest, LeftoverDecryptionOutputAndPreviewFilesAreRemoved) {
  ASSERT_FALSE(TempBackupRoot().empty());
  const fs::path output = TempBackupRoot() / kDecryptionFolderName;
  fs::create_directories(output);
  std::ofstream(output / "3d0d7e5fb2ce288813306e4d4636395e047a3d28") << "plain text of a decrypted file";
  EnsureAppFolder();
  std::ofstream(AppFolder() / "tmp.jpg") << "preview";
  CItunesBackup backup;
  EXPECT_FALSE(fs::exists(output / "3d0d7e5fb2ce288813306e4d4636395e047a3d28"));
  EXPECT_FALSE(fs::exists(AppFolder() / "tmp.jpg"));
}

}  // namespace
}  // namespace vesmar
