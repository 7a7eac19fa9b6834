#include "recovery/device_recovery.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "recovery/hashed_name.h"
#include "recovery/parser_factory.h"
#include "recovery/result_codes.h"
#include "recovery/working_folders.h"
#include "tests/fixtures/temp_dir.h"

namespace vesmar {
namespace {

namespace fs = std::filesystem;

void Put(const fs::path& folder, std::string_view name, bool twoLevel, const std::string& content) {
  const fs::path p = HashedFilePath(folder, name, twoLevel);
  fs::create_directories(p.parent_path());
  std::ofstream(p) << content;
}

std::string Read(const fs::path& p) {
  std::ifstream in(p);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(DeviceRecoveryTest, WorkingCopiesInBothLayoutsWithFallbacks) {
  for (const bool twoLevel : {false, true}) {
    fixtures::TempDir backup, work;
    Put(backup.path(), "3d0d7e5fb2ce288813306e4d4636395e047a3d28", twoLevel, "sms");
    Put(backup.path(), "31bb7ba8914766d4ba40d6dfb6113c8b614be442", twoLevel, "book");
    Put(backup.path(), "2b2b0084a1bc3a5ac8c27afdf14afb42c61a19ca", twoLevel, "old calls");
    Put(backup.path(), "1b6b187a1b60b9ae8b720c79e2c67f472bab09c0", twoLevel, "old chats");
    CDeviceRecovery::MakeWorkingCopies(backup.path(), twoLevel, work.path());
    EXPECT_EQ(Read(work / "sms"), "sms");
    EXPECT_EQ(Read(work / "AddressBook"), "book");
    EXPECT_EQ(Read(work / "history"), "old calls");
    EXPECT_EQ(Read(work / "ChatStorage"), "old chats");
    EXPECT_FALSE(fs::exists(work / "notes"));
  }
}

TEST(DeviceRecoveryTest, OpenWithoutDeviceGivesUpAndMakesNoCopies) {
  const fs::path root = TempBackupRoot();
  ASSERT_FALSE(root.empty());
  fs::create_directories(root);
  std::ofstream(root / "sms") << "leftover working copy of an earlier run";
  auto parser = CreateParser(0, nullptr);
  ASSERT_TRUE(parser);
  EXPECT_FALSE(parser->IsBackupSource(0));
  EXPECT_FALSE(fs::exists(root / "sms"));  // removed when the controller was made

  std::vector<int> reports;
  parser->SetProgressCallback(
      [](void* user, int percent) {
        static_cast<std::vector<int>*>(user)->push_back(percent);
        return 0;
      },
      &reports);
  EXPECT_EQ(parser->Open(u""), result::kDeviceGone);
  EXPECT_EQ(reports, std::vector<int>{1});
  for (const char* name : {"AddressBook", "sms", "notes", "history", "ChatStorage"})
    EXPECT_FALSE(fs::exists(root / name)) << name;
}

// An examiner may name the working volume, which holds files of their own (an earlier backup
// of the same device, say): the program works in a folder of its own there, and the clean-up
// of a device scan leaves everything else alone.
TEST(DeviceRecoveryTest, AChosenWorkingFolderKeepsWhatItHeld) {
  const char* chosen = std::getenv("VESMAR_TEMP_BACKUP_ROOT");
  ASSERT_NE(chosen, nullptr);
  const fs::path folder = chosen;
  EXPECT_EQ(TempBackupRoot().parent_path(), folder);
  std::ofstream(folder / "evidence.txt") << "the examiner's notes";
  CreateParser(0, nullptr).reset();  // made and destroyed: both clean up
  EXPECT_EQ(Read(folder / "evidence.txt"), "the examiner's notes");
}

}  // namespace
}  // namespace vesmar
