// The command line's device commands against the simulated device, run as a user would.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <nlohmann/json.hpp>

#include "tests/device/fake/fake_device.h"
#include "tests/fixtures/demo_backup.h"
#include "tests/fixtures/program_run.h"
#include "tests/fixtures/temp_dir.h"

namespace vesmar {
namespace {

namespace fs = std::filesystem;

using CliRun = fixtures::ProgramRun;

CliRun RunCli(const std::string& args, const fixtures::TempDir& dir) {
  return fixtures::RunProgram(std::string(VESMAR_CLI_PATH) + " " + args, dir / "stderr.txt");
}

TEST(DeviceCliTest, DevicesListsWhatIsConnected) {
  fixtures::TempDir dir;
  {
    ::setenv("USBMUXD_SOCKET_ADDRESS", ("UNIX:" + (dir / "no-multiplexer").string()).c_str(), 1);
    const CliRun none = RunCli("devices", dir);
    ::unsetenv("USBMUXD_SOCKET_ADDRESS");
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.out, "No device connected.\n");
  }
  fake::FakeDeviceConfig config;
  config.willEncrypt = true;
  fake::FakeDevice device(config);
  const CliRun text = RunCli("devices", dir);
  EXPECT_EQ(text.status, 0) << text.err;
  EXPECT_EQ(text.out, config.udid + "  Test iPhone (iPhone 14.3)  backups encrypted: yes\n");
  const CliRun json = RunCli("devices --json", dir);
  ASSERT_EQ(json.status, 0) << json.err;
  const auto doc = nlohmann::json::parse(json.out);
  ASSERT_EQ(doc.size(), 1u);
  EXPECT_EQ(doc[0]["udid"], config.udid);
  EXPECT_EQ(doc[0]["productVersion"], "14.3");
  EXPECT_EQ(doc[0]["backupsEncrypted"], true);
  EXPECT_TRUE(device.log().requests.empty());  // listing never starts a backup exchange
}

TEST(DeviceCliTest, DeviceNamesReachTheTerminalWithoutControlCharacters) {
  fixtures::TempDir dir;
  fake::FakeDeviceConfig config;
  config.deviceName = "Bad\t\xC2\x9B[31mName\x7F";  // a tab, the C1 escape CSI and DEL
  fake::FakeDevice device(config);
  const CliRun text = RunCli("devices", dir);
  EXPECT_EQ(text.status, 0) << text.err;
  EXPECT_EQ(text.out, config.udid + "  Bad??[31mName? (iPhone 14.3)  backups encrypted: no\n");
}

TEST(DeviceCliTest, ScanDeviceBacksUpAndScans) {
  fixtures::TempDir dir;
  fixtures::WriteDemoBackup(dir / "phone");
  fake::FakeDeviceConfig config;
  config.onBackup = fake::FullBackupFrom(dir / "phone");
  fake::FakeDevice device(config);
  const CliRun run = RunCli("scan --device --json", dir);
  ASSERT_EQ(run.status, 0) << run.err;
  const auto doc = nlohmann::json::parse(run.out);
  EXPECT_EQ(doc["result"], 0);
  EXPECT_EQ(doc["categories"].size(), 11u);
  EXPECT_NE(run.err.find("Device: Test iPhone (iPhone 14.3)"), std::string::npos) << run.err;
  EXPECT_EQ(device.log().requests, std::vector<std::string>{"Backup"});
}

TEST(DeviceCliTest, ScanOfAnEncryptingDeviceNeedsItsPassword) {
  struct Case {
    const char* args;
    int status;
    const char* says;
  };
  const Case cases[] = {
      {"scan --device", 64, "give its backup password with --password"},
      {"scan --device --password wrong", 3, "did not accept the backup password"},
      {"scan --device --password right", 0, "Device: Test iPhone"},
  };
  fixtures::TempDir dir;
  fixtures::WriteDemoBackup(dir / "phone");
  fake::FakeDeviceConfig config;
  config.willEncrypt = true;
  config.backupPassword = "right";
  config.onBackup = fake::FullBackupFrom(dir / "phone");
  fake::FakeDevice device(config);
  for (const auto& c : cases) {
    const CliRun run = RunCli(c.args, dir);
    EXPECT_EQ(run.status, c.status) << c.args << "\n" << run.err;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << c.args << "\n" << run.err;
  }
  EXPECT_FALSE(device.willEncrypt());
}

TEST(DeviceCliTest, DeviceGoneDuringThePasswordChangeIsNoWrongPassword) {
  fixtures::TempDir dir;
  fake::FakeDeviceConfig config;
  config.willEncrypt = true;
  config.onChangePassword = [](fake::BackupPeer& peer) { peer.Hangup(); };
  fake::FakeDevice device(config);
  const CliRun run = RunCli("scan --device --password right", dir);
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_NE(run.err.find("stopped answering"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace vesmar
