// A scan of the simulated device from start to end: the backup through the real device
// library, the working copies, then the scan steps over the device backup.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>

#include "device/device_backup.h"
#include "recovery/parser_factory.h"
#include "recovery/scan_run.h"
#include "recovery/working_folders.h"
#include "tests/device/fake/fake_device.h"
#include "tests/fixtures/address_book_fixture.h"
#include "tests/fixtures/backup_builder.h"
#include "tests/fixtures/messages_fixture.h"
#include "tests/fixtures/temp_dir.h"

namespace vesmar {
namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The phone's message database: one conversation with Ada, one of its messages deleted.
std::string MessagesDatabase(const fs::path& path) {
  {
    fixtures::SmsDatabase sms(path, fixtures::MessageLayout::Columns74);
    const long long ada = sms.AddHandle("+15550101234");
    sms.AddMessage({ada, "see you at eight", 600'000'000});
    const long long gone = sms.AddMessage({ada, "delete me before anyone reads this", 600'000'060, true});
    sms.AddMessage({ada, "the train is late", 600'000'120});
    sms.DeleteMessage(gone);
  }
  return Read(path);
}

std::string AddressBook(const fs::path& path) {
  {
    fixtures::AddressBookDatabase book(path, fixtures::AddressBookLayout::Ios15);
    fixtures::FixturePerson ada;
    ada.first = "Ada";
    ada.last = "Lovelace";
    ada.phones = {"(555) 010-1234"};
    book.AddPerson(ada);
  }
  return Read(path);
}

// What the phone holds: photos, a message database, an address book, an app's picture and a
// message attachment.
void WritePhoneBackup(const fs::path& folder, const fs::path& scratch) {
  fixtures::BackupBuilder b(folder, fixtures::ManifestFormat::Db);
  b.info().productVersion = "14.3";
  b.AddFile("CameraRollDomain", "Media/DCIM/100APPLE/IMG_0001.JPG", fixtures::SampleJpeg(40000));
  b.AddFile("CameraRollDomain", "Media/DCIM/100APPLE/IMG_0002.PNG", fixtures::SamplePng(9000));
  b.AddFile("MediaDomain", "Media/PhotoStreamsData/1/100APPLE/IMG_0100.JPG", fixtures::SampleJpeg(3000));
  b.AddFile("HomeDomain", "Library/SMS/sms.db", MessagesDatabase(scratch / "sms.db"));
  b.AddFile("HomeDomain", "Library/AddressBook/AddressBook.sqlitedb", AddressBook(scratch / "ab.db"));
  b.AddFile("MediaDomain", "Library/SMS/Attachments/ab/01/photo.jpg", fixtures::SampleJpeg(5000));
  b.AddFile("AppDomain-com.example.camera", "Documents/shot.jpg", fixtures::SampleJpeg(7000));
  b.Write();
}

struct Recorder {
  std::vector<int> reports;
  int stopFrom = 1000;  // answers 2 from the first report at or above this value
  static int Callback(void* user, int percent) {
    auto* self = static_cast<Recorder*>(user);
    self->reports.push_back(percent);
    return percent >= self->stopFrom ? 2 : 0;
  }
};

class DeviceScanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(temp / "scratch");
    WritePhoneBackup(temp / "phone", temp / "scratch");
    config.onBackup = fake::FullBackupFrom(temp / "phone");
    DeviceTimings t;
    t.link = LinkTimings{50, 2000, 50, 3, 5000};
    CDeviceBackup::GetInstance().SetTimings(t);
  }
  void TearDown() override { CDeviceBackup::GetInstance().Disconnect(); }

  fixtures::TempDir temp;
  fake::FakeDeviceConfig config;
};

TEST_F(DeviceScanTest, FullBackupOfTheDeviceIsScanned) {
  fake::FakeDevice device(config);
  bool willEncrypt = false;
  ASSERT_EQ(CDeviceBackup::GetInstance().Connect(willEncrypt), 0);

  auto parser = CreateParser(static_cast<int>(ScanSource::Device), nullptr);
  Recorder rec;
  parser->SetProgressCallback(&Recorder::Callback, &rec);
  ASSERT_EQ(parser->Open(u""), 0);

  // Every file the device sent is in the device backup, byte for byte.
  const fs::path backup = TempBackupRoot() / config.udid;
  std::size_t files = 0;
  for (const auto& e : fs::recursive_directory_iterator(temp / "phone")) {
    if (!e.is_regular_file() || e.path().filename() == "Info.plist") continue;
    ++files;
    EXPECT_EQ(Read(backup / fs::relative(e.path(), temp / "phone")), Read(e.path())) << e.path();
  }
  EXPECT_EQ(files, 8u);  // seven hashed files and Manifest.db
  EXPECT_TRUE(fs::exists(backup / "Info.plist"));
  EXPECT_TRUE(fs::exists(backup / "Status.plist"));

  // Working copies of the key databases; those the phone lacks are absent.
  EXPECT_EQ(Read(TempBackupRoot() / "sms"), Read(temp / "scratch/sms.db"));
  EXPECT_EQ(Read(TempBackupRoot() / "AddressBook"), Read(temp / "scratch/ab.db"));
  for (const char* absent : {"notes", "history", "ChatStorage"}) EXPECT_FALSE(fs::exists(TempBackupRoot() / absent));

  // The backup filled 0 to 20 of the scan's scale, never going back.
  ASSERT_GE(rec.reports.size(), 3u);
  EXPECT_EQ(rec.reports.front(), 1);
  EXPECT_EQ(rec.reports.back(), 20);
  EXPECT_TRUE(std::is_sorted(rec.reports.begin() + 1, rec.reports.end()));

  ScanResults results;
  const std::size_t reportsBeforeSteps = rec.reports.size();
  EXPECT_EQ(RunCategorySteps(*parser, results), 0);
  EXPECT_EQ(rec.reports.back(), 110);

  // The camera-roll step walked the device backup's manifest: one report per entry (the seven
  // files the phone holds), then its final report at 40.
  const auto stepEnd = std::find(rec.reports.begin() + reportsBeforeSteps, rec.reports.end(), 40);
  EXPECT_EQ(stepEnd - (rec.reports.begin() + reportsBeforeSteps), 6);  // 22 .. 37, then 40 twice
  EXPECT_EQ(std::count(rec.reports.begin(), rec.reports.end(), 40), 2);

  // What the phone held comes back: its photos, attachment and app picture, found inside the
  // device backup, and its conversation with the deleted message and the contact's name.
  auto inBackup = [&backup](const fs::path& p) { return p.string().rfind(backup.string(), 0) == 0 && fs::exists(p); };
  EXPECT_EQ(results.cameraRoll.size(), 2u);
  EXPECT_EQ(results.photoStream.size(), 1u);
  EXPECT_EQ(results.messageAttachments.size(), 1u);
  EXPECT_EQ(results.appFiles.size(), 1u);
  for (const auto& r : results.cameraRoll) EXPECT_TRUE(inBackup(r.fullPath)) << r.fullPath;
  for (const auto& r : results.photoStream) EXPECT_TRUE(inBackup(r.fullPath)) << r.fullPath;
  for (const auto& r : results.messageAttachments) EXPECT_TRUE(inBackup(r.fullPath)) << r.fullPath;
  for (const auto& r : results.appFiles) EXPECT_TRUE(inBackup(r.fullPath)) << r.fullPath;
  std::map<std::u16string, RecordStatus> messages;
  for (const auto& [handle, conversation] : results.messages)
    for (const auto& m : conversation) {
      messages[m.text] = m.status;
      EXPECT_EQ(m.contactName, u"AdaLovelace") << m.rowid;
    }
  EXPECT_EQ(messages, (std::map<std::u16string, RecordStatus>{
                          {u"see you at eight", RecordStatus::Live},
                          {u"delete me before anyone reads this", RecordStatus::Deleted},
                          {u"the train is late", RecordStatus::Live}}));
  ASSERT_EQ(results.contacts.size(), 1u);
  EXPECT_EQ(results.contacts[0].name, u"AdaLovelace");

  // Made for this scan, removed with it: the device backup's content and the working copies.
  parser.reset();
  EXPECT_TRUE(fs::is_directory(backup));
  EXPECT_TRUE(fs::is_empty(backup));
  EXPECT_FALSE(fs::exists(TempBackupRoot() / "sms"));
}

TEST_F(DeviceScanTest, StopDuringTheDeviceBackupMakesNoWorkingCopies) {
  fake::FakeDevice device(config);
  bool willEncrypt = false;
  ASSERT_EQ(CDeviceBackup::GetInstance().Connect(willEncrypt), 0);
  auto parser = CreateParser(static_cast<int>(ScanSource::Device), nullptr);
  Recorder rec;
  rec.stopFrom = 2;  // the first report of the backup's own progress above the start
  parser->SetProgressCallback(&Recorder::Callback, &rec);
  EXPECT_EQ(parser->Open(u""), 2);
  for (const char* name : {"AddressBook", "sms", "notes", "history", "ChatStorage"})
    EXPECT_FALSE(fs::exists(TempBackupRoot() / name)) << name;
  EXPECT_TRUE(CDeviceBackup::GetInstance().Finished());
}

}  // namespace
}  // namespace vesmar
