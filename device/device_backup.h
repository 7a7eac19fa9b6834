// The process's one connection to a USB-attached device, and the full backup it makes of it.
#pragma once

#include <atomic>
#include <filesystem>
#include <mutex>
#include <string>

#include "recovery/progress.h"

namespace vesmar {

// Raised by anyone who wants a running device exchange to stop; any value above 0 means stop.
extern std::atomic<int> StopRequests;

class CDeviceBackup {
 public:
  static CDeviceBackup& GetInstance();

  // Progress of the next Backup, on the caller's scale: the backup fills 0 to `weight`.
  void SetProgress(ProgressCallback callback, void* user, int weight);

  // True when the USB multiplexer lists at least one device.
  bool IsDevicePresent();

  // Makes a full backup of the first listed device into root/<UDID>. 0, or an error code
  // (-1 when no device is listed or it went silent, 2 when stopped).
  int Backup(const std::filesystem::path& root, const std::string& password);

  std::filesystem::path GetBackupFolder() const;
  bool TwoLevelLayout() const { return twoLevelLayout_; }
  bool NewSchema() const { return newSchema_; }
  bool Finished() const { return finished_; }

 private:
  CDeviceBackup() = default;

  mutable std::mutex mutex_;
  std::filesystem::path backupFolder_;
  ProgressCallback callback_ = nullptr;
  void* user_ = nullptr;
  int progressWeight_ = 0;
  std::atomic<bool> twoLevelLayout_{false};
  std::atomic<bool> newSchema_{false};
  std::atomic<bool> finished_{true};
};

}  // namespace vesmar
