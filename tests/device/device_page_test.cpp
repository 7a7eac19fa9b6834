#include "device/device_page.h"

#include <gtest/gtest.h>

#include "device/device_backup.h"
#include "tests/device/fake/fake_device.h"

namespace vesmar {
namespace {

// A driver whose answers the test sets and whose calls it counts.
struct ScriptedDriver final : IDeviceDriver {
  bool handle = false, present = false, finished = true, encrypts = false;
  int connectResult = 0;
  std::string name = "Anna's iPhone", cls = "iPhone", version = "14.3", password = "right";
  int connects = 0, disconnects = 0;
  std::vector<std::string> passwords;

  bool HasDevice() const override { return handle; }
  bool IsDevicePresent() override { return present; }
  bool Finished() const override { return finished; }
  int Connect(bool& willEncrypt) override {
    ++connects;
    handle = connectResult == 0;
    willEncrypt = handle && encrypts;
    return connectResult;
  }
  int Disconnect() override {
    ++disconnects;
    handle = false;
    return 0;
  }
  int GetDeviceName(std::string& out) override { return out = name, 87; }
  int GetDeviceClass(std::string& out) override { return out = cls, 87; }
  int GetProductVersion(std::string& out) override { return out = version, 87; }
  int ChangePassword(const std::string& p) override {
    passwords.push_back(p);
    if (p != password) return -207;
    encrypts = false;
    return 0;
  }
};

TEST(DevicePageTest, TicksFollowTheSoftwareAndTheDevice) {
  struct Case {
    const char* what;
    bool software, handle, present, finished;
    int connectResult;
    std::string version;
    DevicePageTab tab;
    int connects, disconnects, stops;
    const char16_t* description;
  };
  const Case cases[] = {
      {"no multiplexer", false, false, true, true, 0, "14.3", DevicePageTab::NoSoftware, 0, 0, 0, u""},
      {"still connected", true, true, true, true, 0, "14.3", DevicePageTab::WaitingForDevice, 0, 0, 0, u""},
      {"attached", true, false, true, true, 0, "14.3", DevicePageTab::DeviceConnected, 1, 1, 1,
       u"Anna's iPhone(iPhone 14.3)"},
      {"no version", true, false, true, true, 0, "", DevicePageTab::DeviceConnected, 1, 1, 1, u"Anna's iPhone(iPhone)"},
      {"unplugged", true, true, false, true, -1, "14.3", DevicePageTab::WaitingForDevice, 1, 1, 1, u""},
      {"backup still ending", true, true, false, false, 0, "14.3", DevicePageTab::WaitingForDevice, 0, 0, 1, u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ScriptedDriver driver;
    driver.handle = c.handle;
    driver.present = c.present;
    driver.finished = c.finished;
    driver.connectResult = c.connectResult;
    driver.version = c.version;
    const bool software = c.software;
    CDevicePageLogic page(driver, [software] { return software; });
    page.Initialise();
    StopRequests = 0;
    page.Tick();
    EXPECT_EQ(page.tab(), c.tab);
    EXPECT_EQ(driver.connects, c.connects);
    EXPECT_EQ(driver.disconnects, c.disconnects);
    EXPECT_EQ(StopRequests.load(), c.stops);
    EXPECT_EQ(page.description(), c.description);
  }
  StopRequests = 0;
}

TEST(DevicePageTest, ScanOfAnEncryptingDeviceAsksForItsPasswordFirst) {
  ScriptedDriver driver;
  driver.present = true;
  driver.encrypts = true;
  CDevicePageLogic page(driver, [] { return true; });
  page.Tick();
  ASSERT_TRUE(page.willEncrypt());
  std::u16string scanPassword = u"untouched";
  using Click = CDevicePageLogic::ScanClick;
  EXPECT_EQ(page.OnScanClick([] { return std::nullopt; }, scanPassword), Click::Cancelled);
  EXPECT_EQ(page.OnScanClick([] { return std::u16string(u"wrong"); }, scanPassword), Click::PasswordRefused);
  EXPECT_EQ(scanPassword, u"untouched");
  EXPECT_TRUE(page.willEncrypt());
  EXPECT_EQ(page.OnScanClick([] { return std::u16string(u"right"); }, scanPassword), Click::StartScan);
  EXPECT_EQ(scanPassword, u"right");
  EXPECT_EQ(driver.passwords, (std::vector<std::string>{"wrong", "right"}));
  // Encryption is off now: the next click starts the scan without asking.
  EXPECT_EQ(page.OnScanClick([]() -> std::optional<std::u16string> { ADD_FAILURE(); return std::nullopt; },
                             scanPassword),
            Click::StartScan);
}

TEST(DevicePageTest, RealDriverFollowsPlugAndUnplug) {
  auto& driver = CDeviceBackup::GetInstance();
  CDevicePageLogic page(driver, [] { return true; });
  EXPECT_EQ(page.Initialise(), DevicePageTab::WaitingForDevice);
  {
    fake::FakeDeviceConfig config;
    config.deviceName = "Test iPad";
    config.deviceClass = "iPad";
    fake::FakeDevice device(config);
    page.Tick();
    EXPECT_EQ(page.tab(), DevicePageTab::DeviceConnected);
    EXPECT_EQ(page.description(), u"Test iPad(iPad 14.3)");
    page.Tick();  // nothing changed
    EXPECT_EQ(page.tab(), DevicePageTab::DeviceConnected);
    device.Unplug();
    page.Tick();
    EXPECT_EQ(page.tab(), DevicePageTab::WaitingForDevice);
    EXPECT_FALSE(driver.HasDevice());
  }
  StopRequests = 0;
}

}  // namespace
}  // namespace vesmar
