// The decryption of whole backups: real and synthetic public samples, and encrypted forms of our
// own plain fixtures, which must come back byte for byte.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fstream>
#include <sstream>

#include "recovery/decryption_contract.h"
#include "recovery/hashed_name.h"
#include "recovery/manifest.h"
#include "tests/decrypt/support.h"
#include "tests/fixtures/backup_builder.h"
#include "tests/fixtures/backup_encryptor.h"
#include "tests/fixtures/temp_dir.h"
#include "tools/decrypt/backup_decryption.h"

namespace vesmar {
namespace {

namespace fs = std::filesystem;
using namespace testing_support;
using namespace decryption;
using fixtures::BackupBuilder;
using fixtures::EncryptionOptions;
using fixtures::ManifestFormat;
using decrypt::DecryptionTotals;

struct PlainFile {
  const char *domain, *path;
  std::string content;
};

// Sizes around the cipher block and the tool's read buffer, an empty file, and entries without
// stored content.
std::vector<PlainFile> SampleFiles() {
  std::string large(4 * 1024 * 1024 + 5, '\0');
  for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<char>(i * 31 % 251);
  return {
      {"HomeDomain", "Library/SMS/sms.db", "SQLite format 3" + std::string(1, '\0') + std::string(4080, 'm')},
      {"CameraRollDomain", "Media/DCIM/100APPLE/IMG_0001.JPG", fixtures::SampleJpeg(3000)},
      {"HomeDomain", "Library/empty.txt", ""},
      {"HomeDomain", "Library/one.txt", "1"},
      {"HomeDomain", "Library/block.bin", std::string(16, 'b')},
      {"HomeDomain", "Library/seventeen.bin", std::string(17, 's')},
      {"CameraRollDomain", "Media/DCIM/100APPLE/IMG_0002.MOV", large},
  };
}

fs::path BuildPlain(const fs::path& folder, ManifestFormat format) {
  BackupBuilder b(folder, format);
  for (const auto& f : SampleFiles()) b.AddFile(f.domain, f.path, f.content);
  b.AddEntry("HomeDomain", "Library/listed-but-missing.db");
  b.AddEntry("HomeDomain", "Library/SMS", fixtures::EntryKind::Folder);
  b.AddEntry("HomeDomain", "Library/link", fixtures::EntryKind::Link);
  b.Write();
  return folder;
}

std::string NameOf(const char* domain, const char* path) { return HashedName(std::string(domain) + "-" + path); }

struct Variant {
  const char* name;
  ManifestFormat format;
  EncryptionOptions options;
};

EncryptionOptions With(std::function<void(EncryptionOptions&)> change) {
  EncryptionOptions o;
  change(o);
  return o;
}

void PrintTo(const Variant& v, std::ostream* os) { *os << v.name; }

class RoundTripTest : public ::testing::TestWithParam<Variant> {};

TEST_P(RoundTripTest, EveryStoredFileComesBackUnchanged) {
  const Variant& v = GetParam();
  fixtures::TempDir dir;
  const fs::path plain = BuildPlain(dir / "plain", v.format);
  fixtures::EncryptBackup(plain, dir / "encrypted", v.options);

  RecordingReporter reporter;
  DecryptionTotals totals;
  ASSERT_EQ(decrypt::DecryptBackup(dir / "encrypted", dir / "out", v.options.password, reporter, &totals), kExitOk);

  for (const auto& f : SampleFiles()) {
    const std::string name = NameOf(f.domain, f.path);
    EXPECT_EQ(ReadFile(dir / "out" / name), f.content) << f.path;  // padding gone, never cut short
  }
  EXPECT_FALSE(fs::exists(dir / "out" / NameOf("HomeDomain", "Library/listed-but-missing.db")));
  EXPECT_TRUE(reporter.Warned("listed but not stored"));
  const std::uint64_t fileEntries = SampleFiles().size() + 1;
  EXPECT_EQ(totals.files, fileEntries);
  EXPECT_EQ(totals.written, SampleFiles().size());
  EXPECT_EQ(totals.failed, 0u);
  ASSERT_FALSE(reporter.counts.empty());
  EXPECT_EQ(reporter.counts.front(), 0u);
  EXPECT_EQ(reporter.counts.back(), fileEntries);

  // Nothing but the plain files, and for Manifest.db backups the plain manifest, which lists
  // what the original lists.
  std::size_t expectedFiles = SampleFiles().size();
  if (v.format == ManifestFormat::Db) {
    ManifestEntries original, decrypted;
    ASSERT_EQ(ReadManifestDb(plain / "Manifest.db", original), 0);
    ASSERT_EQ(ReadManifestDb(dir / "out" / kDecryptedManifestName, decrypted), 0);
    ASSERT_EQ(decrypted.size(), original.size());
    for (std::size_t i = 0; i < original.size(); ++i) EXPECT_EQ(decrypted[i].key, original[i].key);
    ++expectedFiles;
  }
  EXPECT_EQ(Snapshot(dir / "out").size(), expectedFiles);
}

INSTANTIATE_TEST_SUITE_P(
    Variants, RoundTripTest,
    ::testing::Values(
        Variant{"Ios14ManifestDb", ManifestFormat::Db, {}},
        Variant{"Ios10_1PlainManifestDb", ManifestFormat::Db, With([](EncryptionOptions& o) {
                  o.encryptManifest = false;
                  o.dpIterations = 0;
                })},
        Variant{"KeyByReferenceWrongSizes", ManifestFormat::Db, With([](EncryptionOptions& o) {
                  o.keyDataByReference = true;
                  o.understateSizes = true;
                  o.fileClass = 1;
                })},
        Variant{"Ios9Mbdb", ManifestFormat::Mbdb, With([](EncryptionOptions& o) { o.dpIterations = 0; })},
        Variant{"MbdbWrongSizesNoFlag", ManifestFormat::Mbdb, With([](EncryptionOptions& o) {
                  o.understateSizes = true;
                  o.writeIsEncrypted = false;
                  o.password = "p\xC3\xA4ss w\"rd";
                })}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BackupDecryptionTest, WrongPasswordWritesNothing) {
  fixtures::TempDir dir;
  const fs::path plain = BuildPlain(dir / "plain", ManifestFormat::Db);
  fixtures::EncryptBackup(plain, dir / "encrypted");
  for (const std::string password : {"", "fixture passwor", "fixture password "}) {
    RecordingReporter reporter;
    EXPECT_EQ(decrypt::DecryptBackup(dir / "encrypted", dir / "out", password, reporter), kExitWrongPassword);
    EXPECT_EQ(reporter.wrongPassword, 1);
    EXPECT_FALSE(fs::exists(dir / "out"));
  }
}

// A backup whose Manifest.plist says it is not encrypted is copied as it is.
TEST(BackupDecryptionTest, UnencryptedBackupIsCopied) {
  for (const auto format : {ManifestFormat::Db, ManifestFormat::Mbdb}) {
    fixtures::TempDir dir;
    const fs::path plain = BuildPlain(dir / "plain", format);
    WriteFile(plain / "Manifest.plist",
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\"><dict>"
              "<key>IsEncrypted</key><false/></dict></plist>");
    RecordingReporter reporter;
    ASSERT_EQ(decrypt::DecryptBackup(plain, dir / "out", "", reporter), kExitOk);
    for (const auto& f : SampleFiles()) EXPECT_EQ(ReadFile(dir / "out" / NameOf(f.domain, f.path)), f.content);
    EXPECT_EQ(fs::exists(dir / "out" / kDecryptedManifestName), format == ManifestFormat::Db);
  }
}

// A damaged backup never crashes the tool: whole-backup damage is an error, damage to one file
// costs that file only, and a manifest cannot make it write outside the output folder.
TEST(BackupDecryptionTest, DamagedBackups) {
  struct Case {
    const char* name;
    std::function<void(const fs::path& encrypted)> damage;
    int exit;
    const char* warning;
  };
  const std::string sms = NameOf("HomeDomain", "Library/SMS/sms.db");
  const Case cases[] = {
      {"no Manifest.plist", [](const fs::path& e) { fs::remove(e / "Manifest.plist"); }, kExitUnreadableBackup,
       "Manifest.plist"},
      {"Manifest.plist not a plist", [](const fs::path& e) { WriteFile(e / "Manifest.plist", "garbage"); },
       kExitUnreadableBackup, "Manifest.plist"},
      {"no manifest", [](const fs::path& e) { fs::remove(e / "Manifest.db"); }, kExitUnreadableBackup,
       "no Manifest.db"},
      {"manifest overwritten",
       [](const fs::path& e) { WriteFile(e / "Manifest.db", std::string(fs::file_size(e / "Manifest.db"), 'z')); },
       kExitUnreadableBackup, "does not decrypt"},
      {"stored file cut mid-block",
       [&](const fs::path& e) {
         const fs::path f = e / sms.substr(0, 2) / sms;
         fs::resize_file(f, fs::file_size(f) - 5);
       },
       kExitOk, "not whole blocks"},
      {"hostile file ID",
       [](const fs::path& e) {
         // The plain manifest is rewritten with an extra row whose ID climbs out of the folder.
         sqlite3* db = nullptr;
         ASSERT_EQ(sqlite3_open((e.parent_path() / "plain" / "Manifest.db").c_str(), &db), SQLITE_OK);
         sqlite3_exec(db, "INSERT INTO Files VALUES('../../../../tmp/escaped','HomeDomain','x',1,NULL)", nullptr,
                      nullptr, nullptr);
         sqlite3_close(db);
         fixtures::EncryptBackup(e.parent_path() / "plain", e);
       },
       kExitOk, "malformed file ID"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fixtures::TempDir dir;
    BuildPlain(dir / "plain", ManifestFormat::Db);
    fixtures::EncryptBackup(dir / "plain", dir / "encrypted");
    c.damage(dir / "encrypted");
    RecordingReporter reporter;
    EXPECT_EQ(decrypt::DecryptBackup(dir / "encrypted", dir / "out", "fixture password", reporter), c.exit);
    EXPECT_TRUE(reporter.Warned(c.warning));
    if (c.exit != kExitOk) {
      EXPECT_FALSE(fs::exists(dir / "out" / kDecryptedManifestName));
      continue;
    }
    // Everything else still comes back.
    const std::string jpeg = NameOf("CameraRollDomain", "Media/DCIM/100APPLE/IMG_0001.JPG");
    EXPECT_EQ(ReadFile(dir / "out" / jpeg), fixtures::SampleJpeg(3000));
    for (const auto& e : fs::recursive_directory_iterator(dir.path()))
      EXPECT_EQ(e.path().filename().string().find("escaped"), std::string::npos) << e.path();
  }
  EXPECT_FALSE(fs::exists("/tmp/escaped"));
}

// A real encrypted iOS 9.3.6 backup: every stored file must match the SHA-256 of its known
// plaintext, including the seven databases whose recorded sizes are wrong. One listed file is
// absent from the sample.
TEST(PublicSamplesTest, RealIos9Backup) {
  const fs::path sample = Anchors() / "encrypted-backup" / "hackvent2020-day23";
  if (!fs::exists(sample)) GTEST_SKIP() << "no sample data at " << sample;
  fixtures::TempDir dir;
  RecordingReporter reporter;
  DecryptionTotals totals;
  ASSERT_EQ(decrypt::DecryptBackup(sample / "backup", dir / "out", "20201225", reporter, &totals), kExitOk);
  EXPECT_EQ(totals.written, 320u);
  EXPECT_EQ(totals.missing, 1u);
  EXPECT_EQ(reporter.counts.back(), 321u);

  std::ifstream table(sample / "expected" / "plain-files.tsv");
  int checked = 0;
  for (std::string line; std::getline(table, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> f;
    std::istringstream row(line);
    for (std::string field; std::getline(row, field, '\t');) f.push_back(field);
    ASSERT_GE(f.size(), 9u);
    if (f[8] == "-") {
      EXPECT_FALSE(fs::exists(dir / "out" / f[0]));
      continue;
    }
    EXPECT_EQ(Sha256Hex(ReadFile(dir / "out" / f[0])), f[8]) << f[1] << "-" << f[2];
    ++checked;
  }
  EXPECT_EQ(checked, 320);

  RecordingReporter wrong;
  EXPECT_EQ(decrypt::DecryptBackup(sample / "backup", dir / "out2", "20201226", wrong), kExitWrongPassword);
}

// Synthetic samples of both manifest formats. The Manifest.db one has no padding on its manifest
// (kept whole), NS.data by reference and no ProtectionClass; its key derivation runs the full
// 10,000,000 SHA-256 rounds.
TEST(PublicSamplesTest, SyntheticBackupsOfBothFormats) {
  const fs::path dbSample = Anchors() / "encrypted-backup" / "pyiosbackup-synthetic";
  const fs::path mbdbSample = Anchors() / "pyiosbackup" / "encrypted_backup_mbdb_ios9_0_1";
  if (!fs::exists(dbSample) || !fs::exists(mbdbSample)) GTEST_SKIP() << "no sample data";
  const std::string file = "5727bd1c5fa1055e15d8b4a75a74793c84b5ffdc";
  fixtures::TempDir dir;
  RecordingReporter reporter;
  ASSERT_EQ(decrypt::DecryptBackup(mbdbSample, dir / "mbdb", "0000", reporter), kExitOk);
  EXPECT_EQ(ReadFile(dir / "mbdb" / file), "Test data");

  ASSERT_EQ(decrypt::DecryptBackup(dbSample / "backup", dir / "db", "0000", reporter), kExitOk);
  EXPECT_EQ(ReadFile(dir / "db" / file), "Test data");
  // expected.tsv: "manifest_db_plain  len=8192  valid_pkcs7=False  sha256=<hex>"
  const std::string expected = ReadFile(dbSample / "expected" / "expected.tsv");
  const auto row = expected.find("manifest_db_plain");
  ASSERT_NE(row, std::string::npos);
  const auto sha = expected.find("sha256=", row);
  ASSERT_NE(sha, std::string::npos);
  const std::string manifest = ReadFile(dir / "db" / kDecryptedManifestName);
  EXPECT_EQ(manifest.size(), 8192u);
  EXPECT_EQ(Sha256Hex(manifest), expected.substr(sha + 7, 64));
}

}  // namespace
}  // namespace vesmar
