#include "recovery/working_folders.h"

#include <gtest/gtest.h>

#include <map>

namespace vesmar {
namespace {

namespace fs = std::filesystem;

TEST(WorkingFoldersTest, TempBackupRootChoice) {
  constexpr std::uint64_t GiB = 1ull << 30;
  struct Case {
    const char* name;
    std::map<fs::path, std::optional<std::uint64_t>> free;
    std::vector<fs::path> mounts;
    std::vector<fs::path> readOnly;
    fs::path expected;
  };
  const Case cases[] = {
      {"app volume has room", {{"/home/u/.local/share", 16 * GiB}}, {"/", "/data"}, {},
       "/home/u/.local/share/VesmariOSRecovery/Vesmar_tmp_backup"},
      {"exactly 15 GiB is not enough", {{"/home/u/.local/share", 15 * GiB}, {"/", 3 * GiB}}, {"/"}, {},
       "/Vesmar_tmp_backup"},
      {"most free wins", {{"/home/u/.local/share", GiB}, {"/", 2 * GiB}, {"/data", 9 * GiB}}, {"/", "/data"}, {},
       "/data/Vesmar_tmp_backup"},
      {"tie keeps the earlier", {{"/home/u/.local/share", GiB}, {"/a", 5 * GiB}, {"/b", 5 * GiB}}, {"/a", "/b"}, {},
       "/a/Vesmar_tmp_backup"},
      {"failed query is skipped", {{"/home/u/.local/share", std::nullopt}, {"/a", std::nullopt}, {"/b", GiB}},
       {"/a", "/b"}, {}, "/b/Vesmar_tmp_backup"},
      {"read-only volume is skipped", {{"/home/u/.local/share", GiB}, {"/a", 9 * GiB}, {"/b", GiB}}, {"/a", "/b"},
       {"/a"}, "/b/Vesmar_tmp_backup"},
      {"nothing qualifies", {{"/home/u/.local/share", GiB}, {"/a", 0}}, {"/a"}, {}, ""},
  };
  for (const auto& c : cases) {
    auto freeBytes = [&](const fs::path& p) -> std::optional<std::uint64_t> {
      const auto it = c.free.find(p);
      return it == c.free.end() ? std::nullopt : it->second;
    };
    auto writable = [&](const fs::path& p) {
      return std::find(c.readOnly.begin(), c.readOnly.end(), p) == c.readOnly.end();
    };
    EXPECT_EQ(ChooseTempBackupRoot("/home/u/.local/share", freeBytes, c.mounts, writable), c.expected) << c.name;
  }
}

// The working folder holds device backups, working copies of their databases and decrypted
// copies, the app folder the preview's copies: personal data no other account may read.
TEST(WorkingFoldersTest, TheProgramsFoldersAreTheUsersAlone) {
  ASSERT_TRUE(EnsureAppFolder());
  for (const fs::path& folder : {AppFolder(), TempBackupRoot()}) {
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms::owner_all) << folder;
  }
}

}  // namespace
}  // namespace vesmar
