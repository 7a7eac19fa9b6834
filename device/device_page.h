// The device page without its window: the once-a-second check for the device-support software
// and the device, the device description, and what a click on the scan button does.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "device/device_driver.h"

namespace vesmar {

enum class DevicePageTab { NoSoftware = 0, WaitingForDevice = 1, DeviceConnected = 2 };

// Whether the USB multiplexer the device library talks to is installed (or pointed to).
bool IsAppleSoftwareInstalled();

// "<name>(<class> <version>)", the blank only when there is a version.
std::string DeviceDescription(const std::string& name, const std::string& deviceClass, const std::string& version);

class CDevicePageLogic {
 public:
  explicit CDevicePageLogic(IDeviceDriver& driver,
                            std::function<bool()> softwareInstalled = &IsAppleSoftwareInstalled);

  // At page start: the tab the software check gives.
  DevicePageTab Initialise();
  // The page's timer (every 1000 ms): reconnects the driver when the device changed.
  void Tick();

  enum class ScanClick { StartScan, PasswordRefused, Cancelled };
  // A device that encrypts its backups needs its password first: `askPassword` gives it, or
  // nothing when the user cancelled. On StartScan `scanPassword` holds what the user entered.
  ScanClick OnScanClick(const std::function<std::optional<std::u16string>()>& askPassword,
                        std::u16string& scanPassword);
  DevicePageTab OnRetryClick();

  DevicePageTab tab() const { return tab_; }
  const std::u16string& description() const { return description_; }
  bool willEncrypt() const { return willEncrypt_; }

 private:
  IDeviceDriver& driver_;
  std::function<bool()> softwareInstalled_;
  DevicePageTab tab_ = DevicePageTab::NoSoftware;
  std::u16string description_;
  bool willEncrypt_ = false;
};

}  // namespace vesmar
