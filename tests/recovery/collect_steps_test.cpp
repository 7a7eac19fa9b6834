#include "recovery/collect_steps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "platform/text.h"
#include "recovery/itunes_backup.h"
#include "recovery/manifest.h"
#include "recovery/result_codes.h"
#include "tests/fixtures/backup_builder.h"
#include "tests/fixtures/media_samples.h"
#include "tests/fixtures/progress_recorder.h"
#include "tests/fixtures/temp_dir.h"

namespace vesmar {
namespace {

namespace fs = std::filesystem;
using fixtures::BackupBuilder;
using fixtures::ManifestFormat;
using fixtures::MediaBytes;
using fixtures::MediaSample;

using Recorder = fixtures::ProgressRecorder;

// A backup under construction, and a scan session of step width 10 reporting to a recorder.
class Backup {
 public:
  explicit Backup(ManifestFormat format) : builder_(dir_ / "backup", format) {
    session.callback = &Recorder::Callback;
    session.user = &recorder;
    session.stepWidth = 10;
  }
  BackupBuilder& builder() { return builder_; }
  fs::path Add(std::string_view domain, std::string_view path, const std::string& bytes) {
    return builder_.AddFile(domain, path, bytes);
  }
  // Writes the manifest and reads it back as the scan would.
  ManifestEntries Entries() {
    builder_.Write();
    ManifestEntries entries;
    if (builder_.twoLevel()) {
      EXPECT_EQ(ReadManifestDb(builder_.folder() / "Manifest.db", entries), 0);
    } else {
      EXPECT_EQ(ReadMbdbManifest(builder_.folder() / "Manifest.mbdb", entries), 0);
    }
    return entries;
  }
  CollectSource Source(bool device) const { return {device, builder_.folder(), builder_.twoLevel()}; }

  Recorder recorder;
  ScanSession session;

 private:
  fixtures::TempDir dir_;
  BackupBuilder builder_;
};

template <typename List>
std::vector<std::string> Names(const List& list) {
  std::vector<std::string> names;
  for (const auto& r : list) names.push_back(Utf16ToUtf8(r.displayName));
  return names;
}

class CollectLayoutTest : public ::testing::TestWithParam<ManifestFormat> {};

TEST_P(CollectLayoutTest, CameraRollAndPhotoStream) {
  Backup b(GetParam());
  const fs::path jpeg = b.Add("CameraRollDomain", "Media/DCIM/100APPLE/IMG_0003.JPG", fixtures::SampleJpeg(3000));
  b.Add("CameraRollDomain", "Media/DCIM/100APPLE/img_0002.png", MediaBytes(MediaSample::JpegExif));
  b.Add("CameraRollDomain", "Media/DCIM/100APPLE/IMG_0001.HEIC", MediaBytes(MediaSample::HeicBrand));
  b.Add("CameraRollDomain", "Media/DCIM/100APPLE/IMG_0004.MP4", MediaBytes(MediaSample::Mp4Isom));
  b.Add("CameraRollDomain", "Media/DCIM/100APPLE/IMG_0005.JPG", MediaBytes(MediaSample::JpegJfif, 400));
  b.Add("CameraRollDomain", "Media/DCIM/100APPLE/noext", MediaBytes(MediaSample::Png));
  b.Add("CameraRollDomain", "Media/DCIM/100APPLE/IMG_0007.AAE", std::string(900, '<'));
  b.builder().AddEntry("CameraRollDomain", "Media/DCIM/100APPLE/IMG_0006.JPG");  // listed, not stored
  b.Add("CameraRollDomain", "Media/PhotoData/Thumbnails/V2/DCIM/100APPLE/IMG_0003.JPG/5003.JPG",
        fixtures::SampleJpeg());
  b.Add("MediaDomain", "Media/PhotoStreamsData/1/100APPLE/b.JPG", fixtures::SampleJpeg());
  b.Add("MediaDomain", "Media/PhotoStreamsData/1/100APPLE/A.jpg", fixtures::SampleJpeg());
  b.Add("HomeDomain", "Library/Media/elsewhere.jpg", fixtures::SampleJpeg());
  const auto entries = b.Entries();

  MediaFileList roll, stream;
  ASSERT_EQ(CollectCameraRollStep(b.session, entries, b.Source(false), roll, stream), 0);
  EXPECT_EQ(Names(roll), (std::vector<std::string>{"IMG_0001.HEIC", "img_0002.JPG", "IMG_0003.JPG", "IMG_0004.MP4",
                                                   "noext.PNG"}));
  EXPECT_EQ(Names(stream), (std::vector<std::string>{"A.JPG", "b.JPG"}));
  EXPECT_EQ(roll[2].fullPath, jpeg);
  EXPECT_EQ(roll[2].size, 3000u);
  // One report per entry but the listed one that is missing, then the step's end.
  EXPECT_EQ(b.recorder.reports.size(), entries.size() - 1 + 1);
  EXPECT_EQ(b.recorder.reports.back(), 20);
  EXPECT_EQ(b.session.progressReached, 20);

  // The device source classifies the camera roll the same way.
  MediaFileList deviceRoll, deviceStream;
  ASSERT_EQ(CollectCameraRollStep(b.session, entries, b.Source(true), deviceRoll, deviceStream), 0);
  EXPECT_EQ(Names(deviceRoll), Names(roll));
  EXPECT_EQ(Names(deviceStream), Names(stream));
}

TEST_P(CollectLayoutTest, MessageAttachments) {
  Backup b(GetParam());
  b.Add("MediaDomain", "Library/SMS/Attachments/0b/11/IMG_7.jpeg", MediaBytes(MediaSample::JpegExif));
  b.Add("MediaDomain", "Library/SMS/Attachments/0c/12/Audio Message.wav", MediaBytes(MediaSample::Wav));
  b.Add("MediaDomain", "Library/SMS/Attachments/0d/13/contact.vcf", std::string(800, 'V'));
  b.Add("MediaDomain", "Library/SMS/Attachments/0e/14/tiny.gif", MediaBytes(MediaSample::Gif89a, 100));
  b.Add("MediaDomain", "Library/SMS/Drafts/x.jpg", fixtures::SampleJpeg());
  const auto entries = b.Entries();

  AttachmentFileList attachments;
  ASSERT_EQ(CollectMessageAttachmentsStep(b.session, entries, b.Source(false), attachments), 0);
  EXPECT_EQ(Names(attachments), (std::vector<std::string>{"Audio Message.WAV", "IMG_7.JPG"}));
  for (const auto& a : attachments) {
    EXPECT_EQ(a.mark, 0);
    EXPECT_EQ(a.size, 2048u);
    EXPECT_TRUE(fs::exists(a.fullPath));
  }
  EXPECT_EQ(b.recorder.reports.back(), 10);
}

INSTANTIATE_TEST_SUITE_P(Layouts, CollectLayoutTest, ::testing::Values(ManifestFormat::Db, ManifestFormat::Mbdb));

// What each source makes of the same app files: listed or not, under which app and name.
TEST(CollectAppFilesTest, DeviceAndBackupRules) {
  struct Case {
    std::string domain, path, bytes;
    std::string device;  // "app|name", "" when not listed
    std::string backup;  // "app|name", "whatsapp|name" for the WhatsApp list, "" when not listed
  };
  const std::string jpeg = fixtures::SampleJpeg();
  const Case cases[] = {
      {"AppDomain-com.example.app", "Documents/photo.jpg", jpeg, "example.app|photo.JPG", "example.app|photo.JPG"},
      // Upper-case extensions are as much a photo on the device as lower-case ones.
      {"AppDomain-com.example.app", "Documents/IMG_1.JPG", jpeg, "example.app|IMG_1.JPG", "example.app|IMG_1.JPG"},
      // The device trusts a media extension without reading; the backup reads every file.
      {"AppDomain-com.example.app", "Documents/fake.mov", std::string(900, 'f'), "example.app|fake.MOV", ""},
      {"AppDomain-com.example.app", "Documents/notes.txt", jpeg, "", "example.app|notes.JPG"},
      {"AppDomain-com.example.app", "Documents/empty.jpg", "", "", ""},
      {"AppDomain-com.example.app", "Documents/shot.heic", MediaBytes(MediaSample::HeicBrand), "example.app|shot.HEIC",
       "example.app|shot.HEIC"},
      {"AppDomain-net.example.tool", "Library/Caches/7f3a9c", MediaBytes(MediaSample::Png), "example.tool|7f3a9c.PNG",
       "example.tool|7f3a9c.PNG"},
      // A tail of 32 characters after the last dot is no extension: the bytes decide.
      {"AppDomain-net.example.tool", "Library/Caches/cache.0123456789abcdef0123456789abcdef",
       MediaBytes(MediaSample::Gif87a), "example.tool|cache.GIF", "example.tool|cache.GIF"},
      {"AppDomainGroup-group.com.example.shared", "Library/pic.png", MediaBytes(MediaSample::Png),
       "example.shared|pic.png", ""},
      {"AppDomain-org.example.app", "Documents/com.thing.png", MediaBytes(MediaSample::Png), "thing.png|com.thing.png",
       "other|com.thing.PNG"},
      {"AppDomain-org.example", "Documents/clip.mov", MediaBytes(MediaSample::QuickTimeFtyp), "other|clip.mov",
       "other|clip.MOV"},
      {"AppDomain-net.whatsapp.WhatsApp", "Documents/Media/p.jpg", jpeg, "whatsapp.WhatsApp|p.JPG", "whatsapp|p.JPG"},
      {"AppDomainGroup-group.net.whatsapp.WhatsApp.shared", "Message/Media/1/2/y.mp3", MediaBytes(MediaSample::Mp3),
       "whatsapp.WhatsApp.shared|y.MP3", "whatsapp|y.MP3"},
      {"HomeDomain", "Library/photo.jpg", jpeg, "", ""},
  };
  // Device display names keep the key's own extension, upper-cased.
  auto deviceName = [](std::string expected) {
    if (const auto bar = expected.find('|'); bar != std::string::npos)
      if (const auto dot = expected.rfind('.'); dot != std::string::npos && dot > bar)
        expected = expected.substr(0, dot) + ToUpperAscii(expected.substr(dot));
    return expected;
  };

  for (const auto format : {ManifestFormat::Db, ManifestFormat::Mbdb}) {
    Backup b(format);
    std::vector<std::string> device, backup;
    for (const auto& c : cases) {
      b.Add(c.domain, c.path, c.bytes);
      if (!c.device.empty()) device.push_back(deviceName(c.device));
      if (!c.backup.empty()) backup.push_back(c.backup);
    }
    b.builder().AddEntry("AppDomain-com.example.app", "Documents/missing.jpg");
    const auto entries = b.Entries();
    auto sorted = [](std::vector<std::string> v) {
      std::sort(v.begin(), v.end());
      return v;
    };

    AppFileList deviceFiles;
    MediaFileList unused;
    ASSERT_EQ(CollectAppFilesStep(b.session, entries, b.Source(true), deviceFiles, unused), 0);
    std::vector<std::string> gotDevice;
    for (const auto& f : deviceFiles) gotDevice.push_back(Utf16ToUtf8(f.appName) + "|" + Utf16ToUtf8(f.displayName));
    EXPECT_EQ(sorted(gotDevice), sorted(device));
    EXPECT_TRUE(std::is_sorted(deviceFiles.begin(), deviceFiles.end(), [](const auto& x, const auto& y) {
      return LessNoCase(x.displayName, y.displayName);
    }));
    EXPECT_TRUE(unused.empty());
    // The device passes over the listed file that is missing without a report.
    EXPECT_EQ(b.recorder.reports.size(), entries.size() - 1 + 1);
    EXPECT_EQ(b.recorder.reports.back(), 20);

    AppFileList backupFiles;
    MediaFileList whatsApp = {{1, u"stale", "stale"}};
    b.recorder.reports.clear();
    ASSERT_EQ(CollectAppFilesStep(b.session, entries, b.Source(false), backupFiles, whatsApp), 0);
    std::vector<std::string> gotBackup;
    for (const auto& f : backupFiles) gotBackup.push_back(Utf16ToUtf8(f.appName) + "|" + Utf16ToUtf8(f.displayName));
    for (const auto& f : whatsApp) gotBackup.push_back("whatsapp|" + Utf16ToUtf8(f.displayName));
    EXPECT_EQ(sorted(gotBackup), sorted(backup));
    EXPECT_EQ(b.recorder.reports.size(), entries.size() + 1);
    EXPECT_EQ(b.recorder.reports.back(), 20 + 10);  // the backup source adds one step width at the end
  }
}

TEST(CollectWhatsAppTest, DeviceSourceMakesItsOwnPass) {
  Backup b(ManifestFormat::Db);
  b.Add("AppDomain-net.whatsapp.WhatsApp", "Documents/Media/b.jpg", fixtures::SampleJpeg());
  b.Add("AppDomainGroup-group.net.whatsapp.WhatsApp.shared", "Message/Media/1/2/A.mp4", MediaBytes(MediaSample::Mp4Mp42));
  b.Add("AppDomainGroup-group.net.whatsapp.WhatsApp.shared", "ChatStorage.sqlite", "SQLite format 3" + std::string(600, '\0'));
  b.builder().AddEntry("AppDomainGroup-group.net.whatsapp.WhatsApp.shared", "Message/Media/1/2/gone.jpg");
  b.Add("AppDomain-com.example.app", "Documents/c.jpg", fixtures::SampleJpeg());
  const auto entries = b.Entries();
  MediaFileList attachments;
  ASSERT_EQ(CollectWhatsAppAttachmentsStep(b.session, entries, b.Source(true), attachments), 0);
  EXPECT_EQ(Names(attachments), (std::vector<std::string>{"A.MP4", "b.JPG"}));
  EXPECT_EQ(b.recorder.reports.size(), entries.size() - 1 + 1);
}

// The backup object hands over the WhatsApp files its app step sorted out, replacing the list.
TEST(CollectWhatsAppTest, BackupSourceReusesTheAppStepList) {
  fixtures::TempDir dir;
  BackupBuilder builder(dir / "backup", ManifestFormat::Mbdb);
  builder.AddFile("AppDomain-net.whatsapp.WhatsApp", "Documents/Media/b.jpg", fixtures::SampleJpeg());
  builder.AddFile("AppDomain-com.example.app", "Documents/c.jpg", fixtures::SampleJpeg());
  builder.Write();
  CItunesBackup backup;
  BackupEntry entry;
  entry.folder = builder.folder();
  backup.SetEntry(entry);
  ASSERT_EQ(backup.Open(u""), 0);
  AppFileList apps;
  MediaFileList attachments = {{1, u"left over", "x"}};
  for (int run = 0; run < 2; ++run) {  // a second pass must not add the files twice
    apps.clear();
    backup.CollectAppFiles(apps);
    backup.CollectWhatsAppAttachments(attachments);
    EXPECT_EQ(Names(apps), std::vector<std::string>{"c.JPG"});
    EXPECT_EQ(Names(attachments), std::vector<std::string>{"b.JPG"});
  }
}

TEST(CollectStepTest, StopAnswerEndsTheWalkButKeepsAndSortsWhatWasFound) {
  Backup b(ManifestFormat::Db);
  for (const char* name : {"c.jpg", "b.jpg", "a.jpg", "d.jpg"})
    b.Add("CameraRollDomain", std::string("Media/DCIM/100APPLE/") + name, fixtures::SampleJpeg());
  const auto entries = b.Entries();
  b.recorder.stopFromReport = 2;
  MediaFileList roll, stream;
  EXPECT_EQ(CollectCameraRollStep(b.session, entries, b.Source(false), roll, stream), result::kStopped);
  EXPECT_EQ(Names(roll), (std::vector<std::string>{"b.JPG", "c.JPG"}));
  EXPECT_EQ(b.recorder.reports, (std::vector<int>{5, 10, 20}));
}

// A file of 4 GiB or more keeps its whole size.
TEST(CollectStepTest, SizesAreSixtyFourBit) {
  Backup b(ManifestFormat::Db);
  const fs::path big = b.Add("CameraRollDomain", "Media/DCIM/100APPLE/IMG_9999.MOV", MediaBytes(MediaSample::QuickTimeFtyp));
  const std::uint64_t size = (4ull << 30) + 4096;
  std::error_code ec;
  fs::resize_file(big, size, ec);  // sparse: no disk space is used
  if (ec) GTEST_SKIP() << "cannot make a sparse file here: " << ec.message();
  const auto entries = b.Entries();
  MediaFileList roll, stream;
  ASSERT_EQ(CollectCameraRollStep(b.session, entries, b.Source(true), roll, stream), 0);
  ASSERT_EQ(roll.size(), 1u);
  EXPECT_EQ(roll[0].size, size);
}

TEST(CollectStepTest, ManifestNamesCannotLeaveTheBackupFolder) {
  const CollectSource source{false, "/backup", true};
  EXPECT_EQ(source.FileOf({"k", "3d0d7e5fb2ce288813306e4d4636395e047a3d28"}),
            fs::path("/backup/3d/3d0d7e5fb2ce288813306e4d4636395e047a3d28"));
  for (const char* name : {"", ".", "..", "../../etc/passwd", "ab/../../x", "a\\b"})
    EXPECT_TRUE(source.FileOf({"k", name}).empty()) << name;
}

}  // namespace
}  // namespace vesmar
