// Opening an encrypted backup end to end, with the real tool: the scan then reads the plain
// copy, and the user's backup folder is never written to.
#include <gtest/gtest.h>
#include <plist/plist.h>

#include "recovery/backup_catalogue.h"
#include "recovery/decryption_contract.h"
#include "recovery/itunes_backup.h"
#include "recovery/result_codes.h"
#include "recovery/well_known_files.h"
#include "recovery/working_folders.h"
#include "tests/decrypt/support.h"
#include "tests/fixtures/backup_builder.h"
#include "tests/fixtures/backup_encryptor.h"
#include "tests/fixtures/progress_recorder.h"
#include "tests/fixtures/temp_dir.h"

namespace vesmar {
namespace {

namespace fs = std::filesystem;
using namespace testing_support;
using fixtures::BackupBuilder;
using fixtures::ManifestFormat;

using Recorder = fixtures::ProgressRecorder;

const std::string kSms = "SQLite format 3" + std::string(1, '\0') + "the messages";

fs::path BuildPlain(const fs::path& folder, ManifestFormat format) {
  BackupBuilder b(folder, format);
  b.AddFile("HomeDomain", "Library/SMS/sms.db", kSms);
  b.AddFile("CameraRollDomain", "Media/DCIM/100APPLE/IMG_0001.JPG", fixtures::SampleJpeg());
  b.AddFile("AppDomainGroup-group.net.whatsapp.WhatsApp.shared", "ChatStorage.sqlite", "chats");
  b.AddEntry("HomeDomain", "Library/Notes", fixtures::EntryKind::Folder);
  b.Write();
  return folder;
}

fs::path DecryptionFolder() { return TempBackupRoot() / kDecryptionFolderName; }

}  // namespace
}  // namespace vesmar

namespace vesmar::fixtures {
void PrintTo(ManifestFormat f, std::ostream* os) { *os << (f == ManifestFormat::Db ? "Manifest.db" : "Manifest.mbdb"); }
}  // namespace vesmar::fixtures

namespace vesmar {
namespace {

class EncryptedOpenTest : public ::testing::TestWithParam<ManifestFormat> {};

TEST_P(EncryptedOpenTest, OpenReadsThePlainCopy) {
  fixtures::TempDir dir;
  const fs::path plain = BuildPlain(dir / "plain", GetParam());
  fixtures::EncryptBackup(plain, dir / "encrypted");
  const auto before = Snapshot(dir / "encrypted");

  ManifestEntries plainManifest;
  {
    CItunesBackup backup;
    BackupEntry entry;
    entry.folder = plain;
    backup.SetEntry(entry);
    ASSERT_EQ(backup.Open(u""), 0);
    plainManifest = backup.Manifest();
  }

  {
    CItunesBackup backup;
    BackupEntry entry;
    ASSERT_EQ(ReadBackupFolder(dir / "encrypted", entry), 0);
    ASSERT_EQ(entry.encrypted, 1);
    backup.SetEntry(entry);
    Recorder recorder;
    backup.SetProgressCallback(&Recorder::Callback, &recorder);
    ASSERT_EQ(backup.Open(u"fixture password"), 0);

    EXPECT_EQ(backup.BackupFolder(), DecryptionFolder());
    ASSERT_EQ(backup.Manifest().size(), plainManifest.size());
    for (std::size_t i = 0; i < plainManifest.size(); ++i) EXPECT_EQ(backup.Manifest()[i].key, plainManifest[i].key);
    const auto db = backup.LocateDatabases();
    EXPECT_EQ(db.messages, DecryptionFolder() / well_known::kMessages);
    EXPECT_EQ(ReadFile(db.messages), kSms);
    EXPECT_EQ(ReadFile(db.whatsAppChats), "chats");
    // 0 at the start, 1 at the tool's first count, 11 at the end of Open.
    EXPECT_EQ(recorder.reports.front(), 0);
    EXPECT_NE(std::find(recorder.reports.begin(), recorder.reports.end(), 1), recorder.reports.end());
    EXPECT_EQ(recorder.reports.back(), 11);
    EXPECT_TRUE(std::is_sorted(recorder.reports.begin(), recorder.reports.end()));
  }
  // The user's folder is exactly as it was; the plain copy is gone with the backup object.
  EXPECT_EQ(Snapshot(dir / "encrypted"), before);
  EXPECT_FALSE(fs::exists(dir / "encrypted" / decryption::kDecryptedManifestName));
  EXPECT_TRUE(Snapshot(DecryptionFolder()).empty());
}

TEST_P(EncryptedOpenTest, WrongPasswordIsMinus110AndLeavesNothing) {
  fixtures::TempDir dir;
  fixtures::EncryptBackup(BuildPlain(dir / "plain", GetParam()), dir / "encrypted");
  const auto before = Snapshot(dir / "encrypted");
  CItunesBackup backup;
  BackupEntry entry;
  entry.folder = dir / "encrypted";
  entry.encrypted = 1;
  backup.SetEntry(entry);
  EXPECT_EQ(backup.Open(u"not the password"), result::kWrongPassword);
  EXPECT_TRUE(backup.Manifest().empty());
  EXPECT_EQ(Snapshot(dir / "encrypted"), before);
  EXPECT_TRUE(Snapshot(DecryptionFolder()).empty());
  // The right password still opens it afterwards.
  EXPECT_EQ(backup.Open(u"fixture password"), 0);
  EXPECT_FALSE(backup.Manifest().empty());
}

INSTANTIATE_TEST_SUITE_P(Formats, EncryptedOpenTest, ::testing::Values(ManifestFormat::Db, ManifestFormat::Mbdb),
                         [](const auto& info) { return info.param == ManifestFormat::Db ? "ManifestDb" : "Mbdb"; });

void WriteIsEncrypted(const fs::path& folder, bool value) {
  plist_t dict = plist_new_dict();
  plist_dict_set_item(dict, "IsEncrypted", plist_new_bool(value));
  char* xml = nullptr;
  std::uint32_t length = 0;
  plist_to_xml(dict, &xml, &length);
  WriteFile(folder / "Manifest.plist", std::string(xml, length));
  free(xml);
  plist_free(dict);
}

// Manifest.plist's IsEncrypted decides; the address-book test only stands in when it is absent.
TEST(EncryptionFlagTest, ManifestPlistDecidesOverTheAddressBook) {
  struct Case {
    const char* name;
    int isEncrypted;  // -1: no Manifest.plist
    const char* addressBook;  // nullptr: none stored
    int expected;
  } cases[] = {
      {"flag set, no address book", 1, nullptr, 1},
      {"flag clear, unreadable address book", 0, "\x12\x34 not sqlite", 0},
      {"no flag, unreadable address book", -1, "\x12\x34 not sqlite", 1},
      {"no flag, plain address book", -1, "SQLite format 3", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fixtures::TempDir dir;
    BackupBuilder b(dir / "backup", ManifestFormat::Db);
    if (c.addressBook) b.AddFile("HomeDomain", "Library/AddressBook/AddressBook.sqlitedb", c.addressBook);
    b.Write();
    if (c.isEncrypted >= 0) WriteIsEncrypted(b.folder(), c.isEncrypted == 1);
    BackupEntry entry;
    ASSERT_EQ(ReadBackupFolder(b.folder(), entry), 0);
    EXPECT_EQ(entry.encrypted, c.expected);
  }
}

}  // namespace
}  // namespace vesmar
