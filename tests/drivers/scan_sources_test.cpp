// Both scan sources hand their messages database and address book to the drivers: the backup
// folder in place, the device through its working copies.
#include <gtest/gtest.h>

#include "platform/text.h"
#include "recovery/device_recovery.h"
#include "recovery/itunes_backup.h"
#include "recovery/parser_factory.h"
#include "recovery/working_folders.h"
#include "tests/drivers/conversation_scenario.h"
#include "tests/fixtures/backup_builder.h"
#include "tests/fixtures/deleted_rows_fixture.h"
#include "tests/fixtures/temp_dir.h"

namespace vesmar {
namespace {

namespace fs = std::filesystem;
using fixtures::MessageLayout;
using testing::BuildConversations;
using testing::ConversationScenario;

std::size_t Count(const MessageMap& grouped, RecordStatus status) {
  std::size_t n = 0;
  for (const auto& [key, list] : grouped)
    for (const auto& m : list) n += m.status == status;
  return n;
}

std::vector<std::string> CsvLines(const fs::path& path) {
  const std::string bytes = fixtures::ReadFileBytes(path);
  std::vector<std::string> lines;
  for (std::size_t start = 0, end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(bytes.substr(start, end - start));
  return lines;
}

// Parses messages and contacts and writes both dumps; checks what every source must give.
void ParseAndDump(IPhoneRecoveryParse& parser, const ConversationScenario& s, const fs::path& out) {
  MessageMap conversations{{99, {MessageRecord{}}}};  // replaced
  EXPECT_EQ(parser.ParseMessages(conversations), 0);
  EXPECT_FALSE(conversations.count(99));
  const auto live = std::count_if(s.all.begin(), s.all.end(), [](const auto& m) { return !m.deleted; });
  EXPECT_EQ(Count(conversations, RecordStatus::Live), static_cast<std::size_t>(live));
  EXPECT_GT(Count(conversations, RecordStatus::Deleted), 0u);
  EXPECT_EQ(conversations.at(1).front().contactName, u"AliceSmith");

  std::vector<ContactRecord> contacts;
  EXPECT_EQ(parser.ParseContacts(contacts), 0);
  std::vector<std::u16string> names;
  for (const auto& c : contacts)
    if (c.status == RecordStatus::Live) names.push_back(c.name);
  EXPECT_EQ(names, (std::vector<std::u16string>{u"AliceSmith", u"Carla", u"Carol", u"Dave"}));

  // The dumps number deleted rows after the highest live rowid the parses saw.
  ASSERT_EQ(parser.WriteMessagesCsv((out / "sms.csv").string()), 0);
  const auto messageLines = CsvLines(out / "sms.csv");
  ASSERT_GT(messageLines.size(), static_cast<std::size_t>(live));
  EXPECT_EQ(messageLines[live].substr(0, messageLines[live].find(',')), std::to_string(s.highestLiveRowid + 1));
  ASSERT_EQ(parser.WriteContactsCsv((out / "Contacts.csv").string()), 0);
  const auto contactLines = CsvLines(out / "Contacts.csv");
  ASSERT_GE(contactLines.size(), 5u);
  EXPECT_EQ(contactLines[5].substr(0, 2), "7,");  // the deleted card after the five live ones (rowids 2 to 6)
}

TEST(ScanSourcesTest, BackupFolderReadsItsDatabasesInPlace) {
  fixtures::TempDir dir;
  const ConversationScenario s = BuildConversations(dir / "made", MessageLayout::Columns74);
  fixtures::BackupBuilder b(dir / "backup", fixtures::ManifestFormat::Db);
  b.AddFile("HomeDomain", "Library/SMS/sms.db", fixtures::ReadFileBytes(s.messages));
  b.AddFile("HomeDomain", "Library/AddressBook/AddressBook.sqlitedb", fixtures::ReadFileBytes(s.addressBook));
  b.Write();
  const std::string smsBefore = fixtures::ReadFileBytes(b.PathOf("HomeDomain", "Library/SMS/sms.db"));

  CItunesBackup backup;
  BackupEntry entry;
  entry.folder = b.folder();
  entry.newSchema = 1;  // the 26-column address book
  backup.SetEntry(entry);
  auto parser = CreateParser(1, &backup);
  ASSERT_TRUE(parser);
  ASSERT_EQ(parser->Open(u""), 0);
  ParseAndDump(*parser, s, dir.path());
  EXPECT_EQ(fixtures::ReadFileBytes(b.PathOf("HomeDomain", "Library/SMS/sms.db")), smsBefore);
}

TEST(ScanSourcesTest, DeviceReadsItsWorkingCopies) {
  fixtures::TempDir dir;
  const ConversationScenario s = BuildConversations(dir / "made", MessageLayout::Columns51);
  CDeviceRecovery device;  // without a device the session keeps the older layout flag
  const fs::path work = TempBackupRoot();
  fs::create_directories(work);
  fs::copy_file(s.messages, work / kWorkingMessages, fs::copy_options::overwrite_existing);
  fs::copy_file(s.addressBook, work / kWorkingAddressBook, fs::copy_options::overwrite_existing);
  ParseAndDump(device, s, dir.path());
}

TEST(ScanSourcesTest, MissingDatabasesAreNoStop) {
  fixtures::TempDir dir;
  fixtures::BackupBuilder b(dir / "backup", fixtures::ManifestFormat::Db);
  b.AddFile("CameraRollDomain", "Media/DCIM/100APPLE/IMG_0001.JPG", fixtures::SampleJpeg());
  b.Write();
  CItunesBackup backup;
  BackupEntry entry;
  entry.folder = b.folder();
  backup.SetEntry(entry);
  ASSERT_EQ(backup.Open(u""), 0);
  // Without a progress callback a step's result is its driver's: a missing file (errno 2) must
  // not read as a stop.
  MessageMap conversations;
  std::vector<ContactRecord> contacts;
  EXPECT_EQ(backup.ParseMessages(conversations), 87);
  EXPECT_EQ(backup.ParseContacts(contacts), 87);
  EXPECT_TRUE(conversations.empty());
  EXPECT_TRUE(contacts.empty());
}

}  // namespace
}  // namespace vesmar
