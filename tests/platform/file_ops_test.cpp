#include "platform/file_ops.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "platform/volumes.h"
#include "tests/fixtures/temp_dir.h"

namespace vesmar {
namespace {

namespace fs = std::filesystem;

void Touch(const fs::path& p) {
  fs::create_directories(p.parent_path());
  std::ofstream(p) << "x";
}

TEST(FileOpsTest, DeleteFilesInKeepsSubfolders) {
  fixtures::TempDir dir;
  Touch(dir / "a");
  Touch(dir / "b");
  Touch(dir / "sub" / "c");
  DeleteFilesIn(dir.path());
  EXPECT_FALSE(fs::exists(dir / "a"));
  EXPECT_FALSE(fs::exists(dir / "b"));
  EXPECT_TRUE(fs::exists(dir / "sub" / "c"));
}

TEST(FileOpsTest, RemoveFolderTreeDoesNotFollowLinks) {
  fixtures::TempDir dir;
  Touch(dir / "outside" / "keep.txt");
  Touch(dir / "tree" / "x" / "y" / "file");
  fs::create_directory_symlink(dir / "outside", dir / "tree" / "link");
  EXPECT_TRUE(RemoveFolderTree(dir / "tree"));
  EXPECT_FALSE(fs::exists(dir / "tree"));
  EXPECT_TRUE(fs::exists(dir / "outside" / "keep.txt"));
}

TEST(FileOpsTest, RemoveFolderTreeStopsAtFirstFailureAndKeepsTheFolder) {
  if (geteuid() == 0) GTEST_SKIP() << "root may delete from read-only folders";
  fixtures::TempDir dir;
  Touch(dir / "tree" / "locked" / "file");
  fs::permissions(dir / "tree" / "locked", fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_FALSE(RemoveFolderTree(dir / "tree"));
  EXPECT_TRUE(fs::exists(dir / "tree" / "locked" / "file"));
  fs::permissions(dir / "tree" / "locked", fs::perms::owner_all);
}

TEST(VolumesTest, StorageMountsAreBlockDevicesAndNetworkShares) {
  const char* mounts =
      "proc /proc proc rw 0 0\n"
      "/dev/vda1 / ext4 rw 0 0\n"
      "tmpfs /tmp tmpfs rw 0 0\n"
      "/dev/sdb1 /media/usb\\040stick vfat rw 0 0\n"
      "server:/export /mnt/nfs nfs4 rw 0 0\n"
      "/dev/loop0 /snap/core squashfs ro 0 0\n"
      "/dev/vda1 / ext4 rw 0 0\n";
  const auto points = ParseStorageMounts(mounts);
  ASSERT_EQ(points.size(), 3u);
  EXPECT_EQ(points[0], "/");
  EXPECT_EQ(points[1], "/media/usb stick");
  EXPECT_EQ(points[2], "/mnt/nfs");
}

}  // namespace
}  // namespace vesmar
