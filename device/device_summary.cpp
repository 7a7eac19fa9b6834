#include "device/device_summary.h"

#include <libimobiledevice/libimobiledevice.h>
#include <libimobiledevice/lockdown.h>

#include "device/plist_ptr.h"

namespace vesmar {

namespace {

void Describe(DeviceSummary& summary) {
  idevice_t device = nullptr;
  if (idevice_new_with_options(&device, summary.udid.c_str(), IDEVICE_LOOKUP_USBMUX) != IDEVICE_E_SUCCESS) {
    summary.error = -1;
    return;
  }
  lockdownd_client_t lockdown = nullptr;
  const lockdownd_error_t rc = lockdownd_client_new_with_handshake(device, &lockdown, "idevicebackup2");
  if (rc != LOCKDOWN_E_SUCCESS) {
    summary.error = rc;
    idevice_free(device);
    return;
  }
  plist_t values = nullptr;
  if (lockdownd_get_value(lockdown, nullptr, nullptr, &values) == LOCKDOWN_E_SUCCESS) {
    PlistPtr owned(values);
    auto text = [values](const char* key) { return PlistText(plist_dict_get_item(values, key)).value_or(""); };
    summary.name = text("DeviceName");
    summary.deviceClass = text("DeviceClass");
    summary.productType = text("ProductType");
    summary.productVersion = text("ProductVersion");
  }
  plist_t encrypt = nullptr;
  if (lockdownd_get_value(lockdown, "com.apple.mobile.backup", "WillEncrypt", &encrypt) == LOCKDOWN_E_SUCCESS) {
    PlistPtr owned(encrypt);
    summary.willEncrypt = PlistBool(encrypt).value_or(false);
  }
  lockdownd_client_free(lockdown);
  idevice_free(device);
}

}  // namespace

std::vector<DeviceSummary> ListConnectedDevices() {
  std::vector<DeviceSummary> result;
  idevice_info_t* devices = nullptr;
  int count = 0;
  if (idevice_get_device_list_extended(&devices, &count) != IDEVICE_E_SUCCESS) return result;
  for (int i = 0; i < count; ++i) {
    if (!devices[i] || devices[i]->conn_type != CONNECTION_USBMUXD || !devices[i]->udid) continue;
    DeviceSummary summary;
    summary.udid = devices[i]->udid;
    result.push_back(summary);
  }
  idevice_device_list_extended_free(devices);
  for (auto& summary : result) Describe(summary);
  return result;
}

}  // namespace vesmar
