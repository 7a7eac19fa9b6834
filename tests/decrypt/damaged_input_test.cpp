// The tool's readers of keybags, MBFile archives and mbdb manifests on every truncation and on
// random byte damage of real-shaped input: never a crash, never a read out of bounds, and
// nothing accepted that a sound input would not give.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <random>

#include "recovery/manifest_plist.h"
#include "recovery/mbdb_records.h"
#include "tests/decrypt/support.h"
#include "tests/fixtures/backup_builder.h"
#include "tests/fixtures/backup_encryptor.h"
#include "tests/fixtures/temp_dir.h"
#include "tools/decrypt/file_blob.h"
#include "tools/decrypt/file_decryption.h"
#include "tools/decrypt/keybag.h"

namespace vesmar {
namespace {

namespace fs = std::filesystem;
using namespace testing_support;
using fixtures::ManifestFormat;

struct Samples {
  std::string keybag, blob, mbdb;
};

Samples MakeSamples(const fixtures::TempDir& dir) {
  Samples s;
  for (const auto format : {ManifestFormat::Db, ManifestFormat::Mbdb}) {
    const fs::path plain = dir / (format == ManifestFormat::Db ? "db" : "mbdb");
    fixtures::BackupBuilder b(plain, format);
    b.AddFile("HomeDomain", "Library/SMS/sms.db", "x");
    b.AddFile("MediaDomain", "Media/a.jpg", "y");
    b.AddEntry("HomeDomain", "Library", fixtures::EntryKind::Folder);
    b.Write();
    fixtures::EncryptionOptions options;
    options.encryptManifest = false;  // keeps Manifest.db readable, with its key blobs
    fixtures::EncryptBackup(plain, plain.string() + "-enc", options);
  }
  ManifestPlist plist;
  EXPECT_EQ(ReadManifestPlist(dir / "db-enc", plist), 0);
  s.keybag = plist.backupKeyBag;
  sqlite3* db = nullptr;
  sqlite3_stmt* stmt = nullptr;
  sqlite3_open((dir / "db-enc" / "Manifest.db").c_str(), &db);
  sqlite3_prepare_v2(db, "SELECT file FROM Files WHERE flags = 1 LIMIT 1", -1, &stmt, nullptr);
  if (sqlite3_step(stmt) == SQLITE_ROW)
    s.blob.assign(static_cast<const char*>(sqlite3_column_blob(stmt, 0)), sqlite3_column_bytes(stmt, 0));
  sqlite3_finalize(stmt);
  sqlite3_close(db);
  s.mbdb = ReadFile(dir / "mbdb-enc" / "Manifest.mbdb");
  return s;
}

// Runs `check` on every prefix and on randomly damaged copies of `bytes`.
template <typename Check>
void ForDamagedCopies(const std::string& bytes, Check check) {
  for (std::size_t n = 0; n < bytes.size(); ++n) check(bytes.substr(0, n), true);
  std::mt19937 random(7);
  for (int round = 0; round < 3000; ++round) {
    std::string copy = bytes;
    for (int flips = 1 + round % 4; flips > 0; --flips)
      copy[random() % copy.size()] = static_cast<char>(random());
    check(copy, false);
  }
}

TEST(DamagedInputTest, ReadersHoldOnEveryTruncationAndDamage) {
  fixtures::TempDir dir;
  const Samples s = MakeSamples(dir);
  ASSERT_TRUE(decrypt::ParseKeybag(s.keybag));
  ASSERT_EQ(decrypt::EncryptionKeyOfFileBlob(s.blob).value_or("").size(), 44u);
  MbdbContent full;
  ASSERT_TRUE(ParseMbdb(s.mbdb, full));
  ASSERT_EQ(full.records.size(), 3u);

  ForDamagedCopies(s.keybag, [](const std::string& bytes, bool) {
    if (const auto bag = decrypt::ParseKeybag(bytes)) {
      EXPECT_FALSE(bag->salt.empty());
      EXPECT_GT(bag->iterations, 0u);
    }
  });
  ForDamagedCopies(s.blob, [](const std::string& bytes, bool truncated) {
    const auto key = decrypt::EncryptionKeyOfFileBlob(bytes);
    if (truncated) {
      EXPECT_FALSE(key);  // a cut archive loses its trailer
    }
  });
  ForDamagedCopies(s.mbdb, [&](const std::string& bytes, bool truncated) {
    MbdbContent content;
    if (!ParseMbdb(bytes, content)) return;
    if (truncated) {
      EXPECT_LE(content.records.size(), full.records.size());
    }
    for (const auto& r : content.records) EXPECT_LE(r.properties.size(), 255u);
  });
}

// A FIFO where a stored file should be (planted in a backup folder) is skipped at once instead of
// waiting for a writer forever; should it wait, the test opens the other end so it fails.
TEST(DamagedInputTest, AFifoForAStoredFileIsSkippedAtOnce) {
  fixtures::TempDir dir;
  ASSERT_EQ(mkfifo((dir / "stored").c_str(), 0600), 0);
  auto run = std::async(std::launch::async, [&] {
    decrypt::FileDecryptor files;
    return files.Run(nullptr, dir / "stored", dir / "plain").status;
  });
  if (run.wait_for(std::chrono::seconds(10)) == std::future_status::timeout) {
    ADD_FAILURE() << "the decryption waits on the FIFO";
    const int writer = open((dir / "stored").c_str(), O_WRONLY);
    if (writer >= 0) close(writer);
  }
  EXPECT_EQ(run.get(), decrypt::FileStatus::SourceUnreadable);
}

}  // namespace
}  // namespace vesmar
