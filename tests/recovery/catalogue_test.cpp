#include "recovery/backup_catalogue.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <fstream>
#include <tuple>

#include "recovery/itunes_backup.h"
#include "tests/fixtures/backup_builder.h"
#include "tests/fixtures/scoped_zone.h"
#include "tests/fixtures/temp_dir.h"

namespace vesmar {
namespace {

namespace fs = std::filesystem;

using fixtures::ScopedZone;

std::string PlistXml(const std::string& dictBody) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
         "<plist version=\"1.0\">\n<dict>\n" +
         dictBody + "\n</dict>\n</plist>\n";
}

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
  fs::create_directories(dir / "undated");
  std::ofstream(dir / "undated" / "Info.plist") << PlistXml("<key>Display Name</key><string>undated</string>");
  folders.insert(folders.begin(), dir / "undated");
  fs::create_directories(dir / "not-a-backup");
  folders.push_back(dir / "not-a-backup");
  const auto entries = ListBackupFolders(folders);
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[0].displayName, u"new");
  EXPECT_EQ(entries[1].displayName, u"mid");
  EXPECT_EQ(entries[2].displayName, u"old");
  EXPECT_EQ(entries[3].displayName, u"undated");
}

// Only the user's backup folder is listed: hidden entries and entries without Info.plist are not.
TEST(CatalogueTest, BuildCatalogueAndListBackups) {
  const fs::path root = CatalogueRoot();
  fs::create_directories(root);
  for (const auto& [name, binary, date] : std::vector<std::tuple<std::string, bool, std::string>>{
           {"00008030-001A", false, "2022-01-05T10:00:00Z"}, {"f17a", true, "2023-03-01T09:30:00Z"},
           {".hidden", false, "2024-01-01T00:00:00Z"}}) {
    fixtures::BackupBuilder b(root / name, fixtures::ManifestFormat::Db);
    b.info().binary = binary;
    b.info().displayName = name;
    b.info().lastBackupDate = date;
    b.Write();
  }
  fs::create_directories(root / "half-written");
  std::ofstream(root / "notes.txt") << "not a backup";

  CItunesBackup catalogue;
  ASSERT_EQ(catalogue.BuildCatalogue(), 0);
  std::vector<fs::path> folders = catalogue.FolderList();
  std::sort(folders.begin(), folders.end());
  EXPECT_EQ(folders, (std::vector<fs::path>{root / "00008030-001A", root / "f17a", root / "half-written",
                                            root / "notes.txt"}));
  std::vector<BackupEntry> entries;
  ASSERT_EQ(catalogue.ListBackups(entries), 0);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].displayName, u"f17a");
  EXPECT_EQ(entries[0].folder, root / "f17a");
  EXPECT_EQ(entries[1].displayName, u"00008030-001A");
  fs::remove_all(root);

  // No backup folder at all is no error, just an empty catalogue.
  ASSERT_EQ(catalogue.BuildCatalogue(), 0);
  EXPECT_TRUE(catalogue.FolderList().empty());
}

// Reading a folder replaces everything an earlier choice left in the entry.
TEST(CatalogueTest, ReadBackupFolderStartsAfresh) {
  ScopedZone zone("UTC0");
  fixtures::TempDir dir;
  fs::create_directories(dir / "b");
  std::ofstream(dir / "b" / "Info.plist")
      << PlistXml("<key>Last Backup Date</key><date>2020-11-22T08:05:09Z</date>"
                  "<key>Serial Number</key><string>C39XYZ</string>");
  BackupEntry entry;
  entry.displayName = u"earlier";
  entry.phoneNumber = "+1 555 0199";
  entry.newSchema = 1;
  entry.encrypted = 1;
  ASSERT_EQ(ReadBackupFolder(dir / "b", entry), 0);
  EXPECT_EQ(entry.folder, dir / "b");
  EXPECT_EQ(entry.displayName, u"");
  EXPECT_EQ(entry.phoneNumber, "");
  EXPECT_EQ(entry.serialNumber, "C39XYZ");
  EXPECT_EQ(entry.lastBackupDate, "2020-11-22 08:05:09");
  EXPECT_EQ(entry.newSchema, 0);
  EXPECT_EQ(entry.encrypted, 0);

  BackupEntry untouched;
  untouched.serialNumber = "kept";
  EXPECT_EQ(ReadBackupFolder(dir / "missing", untouched), 87);
  EXPECT_EQ(untouched.serialNumber, "kept");
}

// Damaged or unusual Info.plist files are read without harm; what cannot be read stays empty.
TEST(CatalogueTest, DamagedInfoPlists) {
  ScopedZone zone("UTC0");
  fixtures::TempDir dir;
  fixtures::BackupBuilder good(dir / "good", fixtures::ManifestFormat::Db);
  good.info().binary = true;
  good.Write();
  std::ifstream in(good.folder() / "Info.plist", std::ios::binary);
  const std::string binary((std::istreambuf_iterator<char>(in)), {});
  const std::string xml = PlistXml("<key>Display Name</key><string>Phone</string>");
  struct Case {
    const char* what;
    std::string content;
    std::u16string name;
    std::string date;
  };
  const Case cases[] = {
      {"empty file", "", u"", ""},
      {"binary cut short", binary.substr(0, binary.size() / 2), u"", ""},
      {"binary with a broken offset table", binary.substr(0, binary.size() - 40) + std::string(40, '\xFF'), u"", ""},
      {"XML cut short", xml.substr(0, xml.size() - 30), u"", ""},
      {"random bytes", std::string("\x01\x9C\xFF\x00garbage\x7F", 12), u"", ""},
      {"array instead of a dictionary", "<plist version=\"1.0\"><array><string>x</string></array></plist>", u"", ""},
      {"date written as text", PlistXml("<key>Display Name</key><string>Text date</string>"
                                        "<key>Last Backup Date</key><string>2020-11-22T08:05:09Z</string>"),
       u"Text date", "2020-11-22 08:05:09"},
      {"date text that does not parse", PlistXml("<key>Last Backup Date</key><string>yesterdayZ</string>"), u"",
       "yesterday"},
      {"values of other types", PlistXml("<key>Display Name</key><integer>7</integer>"
                                         "<key>Product Version</key><true/>"),
       u"", ""},
  };
  for (const auto& c : cases) {
    fs::create_directories(dir / "b");
    std::ofstream(dir / "b" / "Info.plist", std::ios::binary | std::ios::trunc) << c.content;
    BackupEntry entry;
    ASSERT_EQ(ReadBackupFolder(dir / "b", entry), 0) << c.what;
    EXPECT_EQ(entry.displayName, c.name) << c.what;
    EXPECT_EQ(entry.lastBackupDate, c.date) << c.what;
    EXPECT_EQ(entry.newSchema, 0) << c.what;
  }
}

}  // namespace
}  // namespace vesmar
