#include "device/device_page.h"

#include <cstdlib>
#include <filesystem>

#include "device/device_backup.h"
#include "platform/text.h"

namespace vesmar {

bool IsAppleSoftwareInstalled() {
  // The device library reaches the multiplexer through this variable when it is set.
  if (const char* address = std::getenv("USBMUXD_SOCKET_ADDRESS"); address && *address) return true;
  std::error_code ec;
  for (const char* path : {"/usr/sbin/usbmuxd", "/usr/bin/usbmuxd", "/usr/local/sbin/usbmuxd", "/sbin/usbmuxd"})
    if (std::filesystem::exists(path, ec)) return true;
  return false;
}

std::string DeviceDescription(const std::string& name, const std::string& deviceClass, const std::string& version) {
  return name + "(" + deviceClass + (version.empty() ? "" : " ") + version + ")";
}

CDevicePageLogic::CDevicePageLogic(IDeviceDriver& driver, std::function<bool()> softwareInstalled)
    : driver_(driver), softwareInstalled_(std::move(softwareInstalled)) {}

DevicePageTab CDevicePageLogic::Initialise() {
  tab_ = softwareInstalled_() ? DevicePageTab::WaitingForDevice : DevicePageTab::NoSoftware;
  return tab_;
}

void CDevicePageLogic::Tick() {
  if (!softwareInstalled_()) {
    tab_ = DevicePageTab::NoSoftware;
    return;
  }
  if (driver_.HasDevice() && driver_.IsDevicePresent()) return;
  willEncrypt_ = false;
  StopRequests.fetch_add(1);  // a backup still running for a vanished device ends
  if (!driver_.Finished()) return;  // a later tick reconnects once it has
  driver_.Disconnect();
  if (driver_.Connect(willEncrypt_) != 0) {
    tab_ = DevicePageTab::WaitingForDevice;
    return;
  }
  std::string name, deviceClass, version;
  driver_.GetDeviceName(name);
  driver_.GetDeviceClass(deviceClass);
  driver_.GetProductVersion(version);
  description_ = Utf8ToUtf16(DeviceDescription(name, deviceClass, version));
  tab_ = DevicePageTab::DeviceConnected;
}

CDevicePageLogic::ScanClick CDevicePageLogic::OnScanClick(
    const std::function<std::optional<std::u16string>()>& askPassword, std::u16string& scanPassword) {
  if (willEncrypt_) {
    const auto password = askPassword();
    if (!password) return ScanClick::Cancelled;
    if (driver_.ChangePassword(Utf16ToUtf8(*password)) != 0) return ScanClick::PasswordRefused;
    // The device's backup encryption is off now; the backup that follows needs no password.
    willEncrypt_ = false;
    scanPassword = *password;
  }
  return ScanClick::StartScan;
}

DevicePageTab CDevicePageLogic::OnRetryClick() {
  tab_ = softwareInstalled_() ? DevicePageTab::WaitingForDevice : DevicePageTab::NoSoftware;
  return tab_;
}

}  // namespace vesmar
