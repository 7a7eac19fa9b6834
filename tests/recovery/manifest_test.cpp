#include "recovery/manifest.h"

#include <gtest/gtest.h>

#include <fstream>

#include "recovery/hashed_name.h"
#include "recovery/result_codes.h"
#include "tests/fixtures/backup_builder.h"
#include "tests/fixtures/sqlite_fixture.h"
#include "tests/fixtures/temp_dir.h"

namespace vesmar {
namespace {

namespace fs = std::filesystem;
using fixtures::BackupBuilder;
using fixtures::EntryKind;
using fixtures::ManifestFormat;

TEST(HashedNameTest, KnownKeysAndLocations) {
  EXPECT_EQ(HashedName("HomeDomain-Library/SMS/sms.db"), "3d0d7e5fb2ce288813306e4d4636395e047a3d28");
  EXPECT_EQ(HashedName("HomeDomain-Library/AddressBook/AddressBook.sqlitedb"),
            "31bb7ba8914766d4ba40d6dfb6113c8b614be442");
  EXPECT_EQ(HashedName("AppDomainGroup-group.net.whatsapp.WhatsApp.shared-ChatStorage.sqlite"),
            "7c7fba66680ef796b916b067077cc246adacf01d");
  EXPECT_EQ(HashedName(""), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
  EXPECT_EQ(HashedFilePath("/b", "3d0d7e5fb2ce288813306e4d4636395e047a3d28", true),
            fs::path("/b/3d/3d0d7e5fb2ce288813306e4d4636395e047a3d28"));
  EXPECT_EQ(HashedFilePath("/b", "3d0d7e5fb2ce288813306e4d4636395e047a3d28", false),
            fs::path("/b/3d0d7e5fb2ce288813306e4d4636395e047a3d28"));
}

TEST(MbdbManifestTest, KeepsFilesAndLinksSkipsFoldersAndAbsentPaths) {
  fixtures::TempDir dir;
  BackupBuilder b(dir.path(), ManifestFormat::Mbdb);
  b.AddFile("HomeDomain", "Library/SMS/sms.db", "x");
  b.AddEntry("HomeDomain", "Library/SMS", EntryKind::Folder);
  b.AddEntry("HomeDomain", "Library/link", EntryKind::Link);
  b.AddFile("CameraRollDomain", "Media/DCIM/100APPLE/\xC3\x89t\xC3\xA9.JPG", "y");  // non-ASCII key
  b.AddEntry("HomeDomain", "", EntryKind::File);  // empty relative path
  b.Write();

  ManifestEntries entries;
  ASSERT_EQ(ReadMbdbManifest(dir / "Manifest.mbdb", entries), 0);
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].key, "HomeDomain-Library/SMS/sms.db");
  EXPECT_EQ(entries[0].fileName, "3d0d7e5fb2ce288813306e4d4636395e047a3d28");
  EXPECT_EQ(entries[1].key, "HomeDomain-Library/link");
  EXPECT_EQ(entries[2].key, "CameraRollDomain-Media/DCIM/100APPLE/\xC3\x89t\xC3\xA9.JPG");
  // The non-ASCII name is found where the builder stored it.
  EXPECT_TRUE(fs::exists(HashedFilePath(dir.path(), entries[2].fileName, false)));
}

// Builds an mbdb file by hand to reach the cases the builder never writes.
std::string MbdbRecord(std::string_view domain, std::string_view path, bool absentPath, int properties) {
  auto str = [](std::string& out, std::string_view s, bool absent) {
    const unsigned len = absent ? 0xFFFF : static_cast<unsigned>(s.size());
    out.push_back(static_cast<char>(len >> 8));
    out.push_back(static_cast<char>(len & 0xFF));
    if (!absent) out.append(s);
  };
  std::string r;
  str(r, domain, false);
  str(r, path, absentPath);
  str(r, "", true);
  str(r, "", true);
  str(r, "", true);
  r.append("\x81\xA4", 2);           // mode: regular file
  r.append(8 + 4 + 4 + 4 + 4 + 4 + 8, '\0');
  r.push_back(3);                    // protection class
  r.push_back(static_cast<char>(properties));
  for (int i = 0; i < properties; ++i) {
    str(r, "name", false);
    str(r, "value", false);
  }
  return r;
}

TEST(MbdbManifestTest, DamagedAndEdgeFiles) {
  fixtures::TempDir dir;
  auto write = [&](const std::string& name, const std::string& bytes) {
    std::ofstream(dir / name, std::ios::binary) << bytes;
    return dir / name;
  };
  const std::string header = std::string("mbdb\x05\x00", 6);
  const std::string good = MbdbRecord("HomeDomain", "a.txt", false, 2);
  const std::string second = MbdbRecord("HomeDomain", "b.txt", false, 0);

  struct Case {
    const char* name;
    std::string bytes;
    int code;
    std::size_t entries;
  };
  const Case cases[] = {
      {"header only", header, 0, 0},
      {"shorter than header", "mbdb", 0, 0},
      {"bad magic", "mbdx" + good, result::kInvalid, 0},
      {"absent relative path", header + MbdbRecord("HomeDomain", "", true, 0) + good, 0, 1},
      {"properties skipped", header + good + second, 0, 2},
      {"second record truncated", header + good + second.substr(0, second.size() - 3), 0, 1},
      {"length past the end", header + good + std::string("\x7F\xFF" "abc", 5), 0, 1},
  };
  for (const auto& c : cases) {
    ManifestEntries entries;
    EXPECT_EQ(ReadMbdbManifest(write("m.mbdb", c.bytes), entries), c.code) << c.name;
    EXPECT_EQ(entries.size(), c.entries) << c.name;
  }
  ManifestEntries entries;
  EXPECT_EQ(ReadMbdbManifest(dir / "missing.mbdb", entries), result::kManifestUnreadable);
  EXPECT_EQ(ReadMbdbManifest({}, entries), result::kInvalid);
}

TEST(ManifestDbTest, KeepsEveryRowAndNullPathGivesDomain) {
  fixtures::TempDir dir;
  {
    fixtures::SqliteDb db(dir / "Manifest.db");
    db.Exec("CREATE TABLE Files (fileID TEXT PRIMARY KEY, domain TEXT, relativePath TEXT, flags INTEGER, file BLOB);"
            "INSERT INTO Files VALUES('aa', 'HomeDomain', 'Library/SMS/sms.db', 1, NULL);"
            "INSERT INTO Files VALUES('bb', 'HomeDomain', NULL, 2, NULL);"
            "INSERT INTO Files VALUES('cc', 'HomeDomain', 'Library', 2, NULL);"
            "INSERT INTO Files VALUES(NULL, NULL, 'x', 1, NULL);");
  }
  ManifestEntries entries = {{"stale", "stale"}};
  ASSERT_EQ(ReadManifestDb(dir / "Manifest.db", entries), 0);
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[0].key, "HomeDomain-Library/SMS/sms.db");
  EXPECT_EQ(entries[0].fileName, "aa");
  EXPECT_EQ(entries[1].key, "HomeDomain");
  EXPECT_EQ(entries[2].key, "HomeDomain-Library");
  EXPECT_EQ(entries[3].key, "-x");
  EXPECT_EQ(entries[3].fileName, "");
}

TEST(ManifestDbTest, FailuresAndTheFileIsNeverChanged) {
  fixtures::TempDir dir;
  ManifestEntries entries;
  EXPECT_NE(ReadManifestDb(dir / "missing.db", entries), 0);
  EXPECT_FALSE(fs::exists(dir / "missing.db"));  // read-only open creates nothing

  { fixtures::SqliteDb db(dir / "other.db"); db.Exec("CREATE TABLE T(a);"); }
  EXPECT_EQ(ReadManifestDb(dir / "other.db", entries), result::kManifestQueryFailed);

  std::ofstream(dir / "garbage.db", std::ios::binary) << std::string(4096, 'Z');
  const auto before = fs::file_size(dir / "garbage.db");
  EXPECT_NE(ReadManifestDb(dir / "garbage.db", entries), 0);
  EXPECT_EQ(fs::file_size(dir / "garbage.db"), before);
  EXPECT_FALSE(fs::exists(dir / "garbage.db-journal"));
}

}  // namespace
}  // namespace vesmar
