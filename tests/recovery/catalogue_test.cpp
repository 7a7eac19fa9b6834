#include "recovery/backup_catalogue.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>

#include "tests/fixtures/backup_builder.h"
#include "tests/fixtures/temp_dir.h"

namespace vesmar {
namespace {

namespace fs = std::filesystem;

// Sets TZ for the length of a scope.
class ScopedZone {
 public:
  explicit ScopedZone(const char* zone) {
    if (const char* old = getenv("TZ")) old_ = old;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~ScopedZone() {
    if (old_.empty()) unsetenv("TZ"); else setenv("TZ", old_.c_str(), 1);
    tzset();
  }

 private:
  std::string old_;
};

TEST(CatalogueTest, BackupDateUsesTheStandardOffset) {
  {
    ScopedZone zone("CST-8");
    EXPECT_EQ(ConvertBackupDate("2020-11-22 08:05:09"), "2020-11-22 16:05:09");
  }
  {
    ScopedZone zone("EST5EDT");  // July would be daylight time; the standard offset still applies
    EXPECT_EQ(ConvertBackupDate("2020-07-01 03:00:00"), "2020-06-30 22:00:00");
  }
  EXPECT_EQ(ConvertBackupDate("2020-11-22"), "");
  EXPECT_EQ(ConvertBackupDate("garbage"), "");
}

TEST(CatalogueTest, InfoPlistInXmlAndBinaryForm) {
  ScopedZone zone("UTC0");
  for (const bool binary : {false, true}) {
    fixtures::TempDir dir;
    fixtures::BackupBuilder b(dir / "b", fixtures::ManifestFormat::Db);
    b.info().binary = binary;
    b.info().displayName = "Zo\xC3\xAB's iPhone";
    b.info().productVersion = "12.1";
    b.Write();
    BackupEntry entry;
    ASSERT_EQ(ReadBackupFolder(b.folder(), entry), 0);
    EXPECT_EQ(entry.displayName, u"Zo\u00EB's iPhone");
    EXPECT_EQ(entry.lastBackupDate, "2020-11-22 08:05:09");
    EXPECT_EQ(entry.serialNumber, "F17TESTSERIAL");
    EXPECT_EQ(entry.phoneNumber, "+1 555 0100");
    EXPECT_EQ(entry.newSchema, 1);
    EXPECT_EQ(entry.encrypted, 0);
  }
  BackupEntry entry;
  fixtures::TempDir empty;
  EXPECT_EQ(ReadBackupFolder(empty.path(), entry), 87);
}

TEST(CatalogueTest, ProductVersionDecidesTheNewSchema) {
  for (const auto& [version, expected] : std::vector<std::pair<std::string, int>>{
           {"12.1", 1}, {"11.4", 0}, {"9.3.5", 0}, {"17.0", 1}, {"", 0}}) {
    fixtures::TempDir dir;
    fixtures::BackupBuilder b(dir / "b", fixtures::ManifestFormat::Db);
    b.info().productVersion = version;
    b.Write();
    BackupEntry entry;
    ASSERT_EQ(ReadBackupFolder(b.folder(), entry), 0);
    EXPECT_EQ(entry.newSchema, expected) << version;
  }
}

TEST(CatalogueTest, EncryptionTestReadsTheAddressBook) {
  fixtures::TempDir dir;
  auto book = [](const fs::path& folder, bool twoLevel) {
    const fs::path p = twoLevel ? folder / "31" / "31bb7ba8914766d4ba40d6dfb6113c8b614be442"
                                : folder / "31bb7ba8914766d4ba40d6dfb6113c8b614be442";
    fs::create_directories(p.parent_path());
    return p;
  };
  fs::create_directories(dir / "plain");
  std::ofstream(dir / "plain" / "Manifest.db") << "x";
  std::ofstream(book(dir / "plain", true)) << std::string("SQLite format 3\0", 16) << std::string(600, 'a');
  EXPECT_EQ(IsEncryptedBackup(dir / "plain"), 0);

  fs::create_directories(dir / "locked");
  std::ofstream(book(dir / "locked", false)) << std::string(600, '\x9C');
  EXPECT_EQ(IsEncryptedBackup(dir / "locked"), 1);

  fs::create_directories(dir / "mddata");
  std::ofstream(book(dir / "mddata", false).string() + ".mddata") << "\x01\x02 encrypted";
  EXPECT_EQ(IsEncryptedBackup(dir / "mddata"), 1);

  fs::create_directories(dir / "none");
  EXPECT_EQ(IsEncryptedBackup(dir / "none"), 0);
}

TEST(CatalogueTest, ListNewestFirstEmptyDateLast) {
  fixtures::TempDir dir;
  std::vector<fs::path> folders;
  for (const auto& [name, date] : std::vector<std::pair<std::string, std::string>>{
           {"old", "2019-01-01T00:00:00Z"}, {"new", "2021-06-01T00:00:00Z"}, {"mid", "2020-03-01T00:00:00Z"}}) {
    fixtures::BackupBuilder b(dir / name, fixtures::ManifestFormat::Db);
    b.info().lastBackupDate = date;
    b.info().displayName = name;
    b.Write();
    folders.push_back(b.folder());
  }
  fs::create_directories(dir / "not-a-backup");
  folders.push_back(dir / "not-a-backup");
  const auto entries = ListBackupFolders(folders);
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].displayName, u"new");
  EXPECT_EQ(entries[1].displayName, u"mid");
  EXPECT_EQ(entries[2].displayName, u"old");
}

}  // namespace
}  // namespace vesmar
