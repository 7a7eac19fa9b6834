// Test entry: every test program works in a private application-data folder, so nothing a test
// does can touch the user's real one.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

int main(int argc, char** argv) {
  std::string home = (std::filesystem::temp_directory_path() / "vesmar-appdata-XXXXXX").string();
  if (mkdtemp(home.data())) {
    setenv("XDG_DATA_HOME", home.c_str(), 1);
    // Never a shared volume root, whatever the free space: parallel test programs stay apart.
    setenv("VESMAR_TEMP_BACKUP_ROOT", (home + "/VesmariOSRecovery").c_str(), 1);
  }
  ::testing::InitGoogleTest(&argc, argv);
  const int rc = RUN_ALL_TESTS();
  std::error_code ec;
  std::filesystem::remove_all(home, ec);
  return rc;
}
