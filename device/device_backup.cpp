#include "device/device_backup.h"

#include <libimobiledevice/libimobiledevice.h>

#include "recovery/result_codes.h"

namespace vesmar {

std::atomic<int> StopRequests{0};

CDeviceBackup& CDeviceBackup::GetInstance() {
  static CDeviceBackup instance;
  return instance;
}

void CDeviceBackup::SetProgress(ProgressCallback callback, void* user, int weight) {
  std::lock_guard lock(mutex_);
  callback_ = callback;
  user_ = user;
  progressWeight_ = weight;
}

bool CDeviceBackup::IsDevicePresent() {
  idevice_info_t* devices = nullptr;
  int count = 0;
  if (idevice_get_device_list_extended(&devices, &count) != IDEVICE_E_SUCCESS) return false;
  idevice_device_list_extended_free(devices);
  return count > 0;
}

int CDeviceBackup::Backup(const std::filesystem::path&, const std::string&) {
  // The backup exchange with the device is not part of this build yet: a device is only
  // reported as absent.
  return result::kDeviceGone;
}

std::filesystem::path CDeviceBackup::GetBackupFolder() const {
  std::lock_guard lock(mutex_);
  return backupFolder_;
}

}  // namespace vesmar
