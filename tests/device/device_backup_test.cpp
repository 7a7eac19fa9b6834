#include "device/device_backup.h"

#include <gtest/gtest.h>

#include <fstream>
#include <thread>

#include "tests/device/fake/fake_device.h"
#include "tests/fixtures/temp_dir.h"

namespace vesmar {
namespace {

namespace fs = std::filesystem;
using fake::BackupPeer;
using fake::FakeDevice;
using fake::FakeDeviceConfig;

DeviceTimings QuickTimings() {
  DeviceTimings t;
  t.link = LinkTimings{50, 1000, 50, 3, 3000};
  t.syncLockTries = 3;
  t.syncLockRetryMs = 10;
  return t;
}

class DeviceBackupTest : public ::testing::Test {
 protected:
  void SetUp() override { driver.SetTimings(QuickTimings()); }
  void TearDown() override {
    driver.Disconnect();
    driver.SetProgress(nullptr, nullptr, 0);
  }
  CDeviceBackup& driver = CDeviceBackup::GetInstance();
  fixtures::TempDir temp;
};

TEST_F(DeviceBackupTest, ConnectReadsTheDeviceAndHoldsTheSyncLock) {
  for (const bool tls : {false, true}) {
    SCOPED_TRACE(tls ? "TLS session" : "plain session");
    FakeDeviceConfig config;
    config.sessionTls = tls;
    config.productVersion = "12.1";
    FakeDevice device(config);
    bool willEncrypt = true;
    ASSERT_EQ(driver.Connect(willEncrypt), 0);
    EXPECT_FALSE(willEncrypt);
    EXPECT_TRUE(driver.HasDevice());
    EXPECT_TRUE(driver.IsDevicePresent());
    std::string name, cls, version;
    EXPECT_EQ(driver.GetDeviceName(name), 87);  // answered from the cache
    EXPECT_EQ(driver.GetDeviceClass(cls), 87);
    EXPECT_EQ(driver.GetProductVersion(version), 87);
    EXPECT_EQ(name, "Test iPhone");
    EXPECT_EQ(cls, "iPhone");
    EXPECT_EQ(version, "12.1");
    EXPECT_TRUE(driver.TwoLevelLayout());
    EXPECT_TRUE(driver.NewSchema());
    EXPECT_EQ(driver.Udid(), config.udid);

    auto log = device.log();
    EXPECT_EQ(log.observed, (std::vector<std::string>{
                                "com.apple.itunes-client.syncCancelRequest", "com.apple.itunes-client.syncSuspendRequest",
                                "com.apple.itunes-client.syncResumeRequest", "com.apple.mobile.lockdown.host_attached",
                                "com.apple.mobile.lockdown.host_detached"}));
    EXPECT_EQ(log.posted, (std::vector<std::string>{"com.apple.itunes-mobdev.syncWillStart",
                                                    "com.apple.itunes-mobdev.syncLockRequest",
                                                    "com.apple.itunes-mobdev.syncDidStart"}));
    EXPECT_EQ(log.lockOps, std::vector<std::string>{"lock"});
    EXPECT_TRUE(log.escrowBagSent);
    EXPECT_GT(log.sessions, 0);

    driver.Disconnect();
    EXPECT_FALSE(driver.HasDevice());
    EXPECT_FALSE(driver.TwoLevelLayout());
    log = device.log();
    EXPECT_EQ(log.posted.back(), "com.apple.itunes-mobdev.syncDidFinish");
    EXPECT_EQ(log.lockOps.back(), "unlock");
  }
}

}  // namespace
}  // namespace vesmar
