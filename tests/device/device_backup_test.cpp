#include "device/device_backup.h"

#include <gtest/gtest.h>

#include <fstream>
#include <thread>

#include "device/plist_ptr.h"
#include "tests/device/fake/fake_device.h"
#include "tests/fixtures/temp_dir.h"

namespace vesmar {
namespace {

namespace fs = std::filesystem;
using fake::BackupPeer;
using fake::FakeDevice;
using fake::FakeDeviceConfig;

std::string Read(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

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

TEST_F(DeviceBackupTest, BackupWritesInfoPlistAndTheDevicesFiles) {
  FakeDeviceConfig config;
  config.phoneNumber.reset();
  config.files["/iTunes_Control/iTunes/iTunesPrefs"] = "prefs";
  config.onBackup = [](BackupPeer& peer) {
    const std::string udid = PlistText(plist_dict_get_item(peer.request(), "TargetIdentifier")).value_or("");
    EXPECT_EQ(PlistText(plist_dict_get_item(peer.request(), "SourceIdentifier")), udid);
    EXPECT_EQ(peer.FreeDiskSpace(), 0);
    // No folder is created first: the host makes the parents itself.
    EXPECT_EQ(peer.Upload({{udid + "/ab/ab12", "hashed file"}, {udid + "/Manifest.db", "manifest"}}, 40.0), 0);
    peer.Finish(0);
  };
  FakeDevice device(config);
  bool willEncrypt = false;
  ASSERT_EQ(driver.Connect(willEncrypt), 0);
  std::vector<int> reports;
  driver.SetProgress(
      [](void* user, int percent) {
        static_cast<std::vector<int>*>(user)->push_back(percent);
        return 0;
      },
      &reports, 20);
  ASSERT_EQ(driver.Backup(temp / "root", ""), 0);
  EXPECT_TRUE(driver.Finished());
  const fs::path folder = temp / "root" / config.udid;
  EXPECT_EQ(driver.GetBackupFolder(), folder);
  EXPECT_EQ(Read(folder / "ab/ab12"), "hashed file");
  EXPECT_EQ(Read(folder / "Manifest.db"), "manifest");
  EXPECT_EQ(reports, (std::vector<int>{0, 8}));

  const std::string info = Read(folder / "Info.plist");
  PlistPtr plist = PlistFromBytes(info.data(), info.size());
  ASSERT_TRUE(plist);
  EXPECT_EQ(PlistText(plist_dict_get_item(plist.get(), "Device Name")), "Test iPhone");
  EXPECT_EQ(PlistText(plist_dict_get_item(plist.get(), "Product Version")), "14.3");
  EXPECT_EQ(PlistText(plist_dict_get_item(plist.get(), "Unique Identifier")), "0123456789ABCDEF0123456789ABCDEF01234567");
  EXPECT_EQ(plist_dict_get_item(plist.get(), "Phone Number"), nullptr);
  EXPECT_EQ(plist_dict_get_item(plist.get(), "IMEI"), nullptr);
  plist_t files = plist_dict_get_item(plist.get(), "iTunes Files");
  EXPECT_EQ(plist_dict_get_size(files), 1u);
  EXPECT_NE(plist_dict_get_item(files, "iTunesPrefs"), nullptr);
  EXPECT_EQ(device.log().requests, std::vector<std::string>{"Backup"});
  // The exchange released the sync lock it held.
  EXPECT_EQ(device.log().lockOps, (std::vector<std::string>{"lock", "unlock"}));
}

TEST_F(DeviceBackupTest, DeviceErrorEndsTheBackupAndCleansTheFolder) {
  FakeDeviceConfig config;
  config.onBackup = [](BackupPeer& peer) {
    const std::string udid = PlistText(plist_dict_get_item(peer.request(), "TargetIdentifier")).value_or("");
    peer.Upload({{udid + "/Status.plist", "x"}, {udid + "/aa/aa11", "kept: only top-level files go"}});
    peer.Finish(105, "Backup refused");
  };
  FakeDevice device(config);
  bool willEncrypt = false;
  ASSERT_EQ(driver.Connect(willEncrypt), 0);
  EXPECT_EQ(driver.Backup(temp.path(), ""), -105);
  const fs::path folder = temp / config.udid;
  EXPECT_FALSE(fs::exists(folder / "Info.plist"));
  EXPECT_FALSE(fs::exists(folder / "Status.plist"));
  EXPECT_TRUE(fs::exists(folder / "aa/aa11"));
}

TEST_F(DeviceBackupTest, EncryptedDeviceIsSwitchedOffOnlyWithTheRightPassword) {
  FakeDeviceConfig config;
  config.willEncrypt = true;
  config.backupPassword = "right";
  config.onBackup = [](BackupPeer& peer) { peer.Finish(0); };
  FakeDevice device(config);
  bool willEncrypt = false;
  ASSERT_EQ(driver.Connect(willEncrypt), 0);
  EXPECT_TRUE(willEncrypt);
  EXPECT_EQ(driver.Backup(temp.path(), ""), 87);
  EXPECT_EQ(driver.Backup(temp.path(), "wrong"), -207);
  EXPECT_TRUE(driver.WillEncrypt());
  EXPECT_TRUE(device.willEncrypt());
  EXPECT_FALSE(fs::exists(temp / config.udid / "Info.plist"));

  // Each exchange gives the sync lock back; a new connection takes it again.
  driver.Disconnect();
  ASSERT_EQ(driver.Connect(willEncrypt), 0);
  EXPECT_EQ(driver.Backup(temp.path(), "right"), 0);
  EXPECT_FALSE(driver.WillEncrypt());
  EXPECT_FALSE(device.willEncrypt());
  EXPECT_EQ(device.log().requests, (std::vector<std::string>{"ChangePassword", "ChangePassword", "Backup"}));
}

TEST_F(DeviceBackupTest, SyncLockHeldElsewhere) {
  struct Case {
    int refusals;
    bool locked;
  };
  for (const Case c : {Case{-1, false}, Case{2, true}}) {
    SCOPED_TRACE(c.refusals);
    FakeDeviceConfig config;
    config.lockRefusals = c.refusals;
    FakeDevice device(config);
    bool willEncrypt = false;
    ASSERT_EQ(driver.Connect(willEncrypt), 0);  // goes on without the lock after the last try
    const auto log = device.log();
    const bool didStart = std::find(log.posted.begin(), log.posted.end(), "com.apple.itunes-mobdev.syncDidStart") !=
                          log.posted.end();
    EXPECT_EQ(didStart, c.locked);
    EXPECT_EQ(log.lockOps.size(), c.locked ? 1u : 0u);
    driver.Disconnect();
  }
}

TEST_F(DeviceBackupTest, DeviceVanishingMidFileEndsTheBackup) {
  FakeDeviceConfig config;
  config.onBackup = [](BackupPeer& peer) {
    const std::string udid = PlistText(plist_dict_get_item(peer.request(), "TargetIdentifier")).value_or("");
    const std::string stream = fake::UploadBytes({{udid + "/done", "complete"}, {udid + "/cut", std::string(70000, 'c')}});
    peer.UploadStream(stream.substr(0, stream.size() - 40000));  // no answer comes: the device is gone first
  };
  FakeDevice device(config);
  bool willEncrypt = false;
  ASSERT_EQ(driver.Connect(willEncrypt), 0);
  std::thread unplug([&device] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    device.Unplug();
  });
  EXPECT_EQ(driver.Backup(temp.path(), ""), -1);
  unplug.join();
  EXPECT_FALSE(fs::exists(temp / config.udid / "cut"));
  EXPECT_TRUE(driver.Finished());
}

TEST_F(DeviceBackupTest, HostileNameFromTheDeviceIsRefused) {
  std::optional<std::int64_t> hostileStatus, cleanStatus;
  FakeDeviceConfig config;
  config.onBackup = [&](BackupPeer& peer) {
    const std::string udid = PlistText(plist_dict_get_item(peer.request(), "TargetIdentifier")).value_or("");
    hostileStatus = peer.Upload({{"../escaped", "evil"}, {udid + "/after", "fine"}});
    cleanStatus = peer.CreateDirectory(udid + "/../../escaped-folder");
    peer.Finish(0);
  };
  FakeDevice device(config);
  bool willEncrypt = false;
  ASSERT_EQ(driver.Connect(willEncrypt), 0);
  const fs::path root = temp / "root";
  EXPECT_EQ(driver.Backup(root, ""), 0);
  EXPECT_EQ(hostileStatus, -13);
  EXPECT_EQ(cleanStatus, -EACCES);
  EXPECT_EQ(Read(root / config.udid / "after"), "fine");
  EXPECT_FALSE(fs::exists(temp / "escaped"));
  EXPECT_FALSE(fs::exists(temp / "escaped-folder"));
}

TEST_F(DeviceBackupTest, IdentifierThatIsNoPlainNameIsRefused) {
  // The identifier names the backup folder, and a failed backup clears that folder's files.
  const fs::path root = temp / "deep" / "root";
  const fs::path outside = temp / "deep" / "keep.txt";
  fs::create_directories(root);
  std::ofstream(outside) << "not the device's";
  // The absolute one points into this test's own folder, so the unmended driver only harms that.
  for (const std::string& udid : {std::string("../"), std::string(".."), (temp / "deep").string(), std::string("a/b"),
                                  std::string("name\n")}) {
    SCOPED_TRACE(udid);
    FakeDeviceConfig config;
    config.udid = udid;
    config.onBackup = [](BackupPeer& peer) { peer.Finish(105, "refused"); };
    FakeDevice device(config);
    bool willEncrypt = false;
    EXPECT_EQ(driver.Connect(willEncrypt), 87);
    EXPECT_FALSE(driver.HasDevice());
    EXPECT_NE(driver.Backup(root, ""), 0);
    EXPECT_TRUE(device.log().requests.empty());
    EXPECT_EQ(Read(outside), "not the device's");
  }
}

TEST_F(DeviceBackupTest, StopRequestsEndASilentExchange) {
  // From the device (a cancel notification) and from the program (the counter), while the
  // device says nothing: the library's own 30-second waits must not hold the stop back.
  for (const bool fromDevice : {true, false}) {
    SCOPED_TRACE(fromDevice ? "device cancels" : "program stops");
    std::atomic<bool> release{false};
    FakeDeviceConfig config;
    config.onBackup = [&release](BackupPeer&) {
      while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    };
    auto device = std::make_unique<FakeDevice>(config);
    DeviceTimings patient = QuickTimings();
    patient.link.messageWaitMs = 600000;  // never gives up by itself
    driver.SetTimings(patient);
    bool willEncrypt = false;
    ASSERT_EQ(driver.Connect(willEncrypt), 0);
    std::thread stopper([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      if (fromDevice) {
        device->RelayNotification("com.apple.itunes-client.syncCancelRequest");
      } else {
        StopRequests.fetch_add(1);
      }
    });
    EXPECT_EQ(driver.Backup(temp.path(), ""), -1);
    stopper.join();
    release = true;
    driver.Disconnect();
  }
}

TEST_F(DeviceBackupTest, StopEndsAMessageTheDeviceTrickles) {
  // A message whose bytes come one by one, each well within the wait for the next, never ends
  // by itself; a stop request must still end the exchange.
  std::atomic<bool> release{false}, trickled{false};
  FakeDeviceConfig config;
  config.onBackup = [&](BackupPeer& peer) {
    peer.SendRaw(std::string("\0\0\x04\0", 4));  // a 1024-byte message follows
    for (int i = 0; i < 40 && !release; ++i) {
      peer.SendRaw("x");
      std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    trickled = !release;
    while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  };
  FakeDevice device(config);
  DeviceTimings patient = QuickTimings();
  patient.link.messageWaitMs = 600000;
  driver.SetTimings(patient);
  bool willEncrypt = false;
  ASSERT_EQ(driver.Connect(willEncrypt), 0);
  std::thread stopper([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    StopRequests.fetch_add(1);
  });
  EXPECT_EQ(driver.Backup(temp.path(), ""), -1);
  stopper.join();
  EXPECT_FALSE(trickled);  // ended while the device was still sending
  release = true;
  driver.Disconnect();
}

// The one slow test: a device that never answers is given up after the idle limit.
TEST_F(DeviceBackupTest, SilentDeviceIsGivenUp) {
  std::atomic<bool> release{false};
  FakeDeviceConfig config;
  config.onBackup = [&release](BackupPeer&) {
    while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  };
  FakeDevice device(config);
  DeviceTimings t = QuickTimings();
  t.link = LinkTimings{250, 1000, 200, 2, 5000};
  driver.SetTimings(t);
  bool willEncrypt = false;
  ASSERT_EQ(driver.Connect(willEncrypt), 0);
  EXPECT_EQ(driver.Backup(temp.path(), ""), -1);
  EXPECT_GT(StopRequests.load(), 0);
  release = true;
}

}  // namespace
}  // namespace vesmar
