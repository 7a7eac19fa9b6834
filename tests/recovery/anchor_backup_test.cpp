// A real iOS 14.3 backup from a public forensic tool's test data: binary Info.plist, a real
// Manifest.db, and most listed files absent.
#include <gtest/gtest.h>

#include "recovery/backup_catalogue.h"
#include "recovery/itunes_backup.h"
#include "recovery/parser_factory.h"
#include "recovery/scan_run.h"
#include "tests/fixtures/scoped_zone.h"

namespace vesmar {
namespace {

namespace fs = std::filesystem;

fs::path MvtBackup() { return fs::path(VESMAR_ANCHORS_DIR) / "mvt" / "tests" / "artifacts" / "ios_backup"; }

TEST(AnchorBackupTest, CatalogueReadsTheBinaryInfoPlist) {
  if (!fs::exists(MvtBackup() / "Info.plist")) GTEST_SKIP() << "anchors not present";
  fixtures::ScopedZone zone("CST-8");
  const auto entries = ListBackupFolders({MvtBackup()});
  ASSERT_EQ(entries.size(), 1u);
  const BackupEntry& entry = entries[0];
  EXPECT_EQ(entry.displayName, u"iPhone");
  EXPECT_EQ(entry.serialNumber, "F1234567890");
  EXPECT_EQ(entry.lastBackupDate, "2021-12-04 03:33:13");  // 19:33:13 UTC
  EXPECT_EQ(entry.phoneNumber, "");
  EXPECT_EQ(entry.newSchema, 1);
  EXPECT_EQ(entry.encrypted, 0);  // its address book is listed but absent
}

// Every listed media file is missing: the scan runs through and lists none of them.
TEST(AnchorBackupTest, ScanListsNoFileThatIsNotThere) {
  if (!fs::exists(MvtBackup() / "Manifest.db")) GTEST_SKIP() << "anchors not present";
  CItunesBackup backup;
  BackupEntry entry;
  ASSERT_EQ(ReadBackupFolder(MvtBackup(), entry), 0);
  backup.SetEntry(entry);
  auto parser = CreateParser(1, &backup);
  ASSERT_EQ(parser->Open(u""), 0);
  EXPECT_EQ(backup.Manifest().size(), 3721u);
  ScanResults results;
  EXPECT_EQ(RunCategorySteps(*parser, results), 0);
  EXPECT_TRUE(results.cameraRoll.empty());
  EXPECT_TRUE(results.photoStream.empty());
  EXPECT_TRUE(results.messageAttachments.empty());
  EXPECT_TRUE(results.appFiles.empty());
  EXPECT_TRUE(results.whatsAppAttachments.empty());
}

}  // namespace
}  // namespace vesmar
