// The process's one connection to a USB-attached device, and the full backup it makes of it.
#pragma once

#include <libimobiledevice/afc.h>
#include <libimobiledevice/libimobiledevice.h>
#include <libimobiledevice/lockdown.h>
#include <libimobiledevice/notification_proxy.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "device/device_driver.h"
#include "device/device_link_context.h"
#include "device/plist_ptr.h"
#include "recovery/progress.h"

namespace vesmar {

class CBackupServiceConnection;

// Raised by anyone who wants a running device exchange to stop; any value above 0 means stop.
// Reset when an exchange starts.
extern std::atomic<int> StopRequests;
// The running backup's own progress as the device reports it, 0 to 100.
extern std::atomic<double> OverallProgress;

// How long the driver waits for a device; tests shorten them.
struct DeviceTimings {
  LinkTimings link;
  int syncLockTries = 50;
  unsigned syncLockRetryMs = 2000;
};

class CDeviceBackup final : public IDeviceDriver {
 public:
  static CDeviceBackup& GetInstance();
  ~CDeviceBackup() override;  // disconnects and removes the last backup's top-level files
  CDeviceBackup(const CDeviceBackup&) = delete;
  CDeviceBackup& operator=(const CDeviceBackup&) = delete;

  // Attaches to the first listed device and opens its services; holds the sync lock for the
  // next exchange. 0, -1 (no device, no notification service), 87 (an identifier that is not a
  // plain name: it would name the backup's folder) or the failing library step's code; a
  // failed Connect leaves the driver disconnected.
  int Connect(bool& willEncrypt) override;
  int Disconnect() override;
  bool HasDevice() const override;
  bool IsDevicePresent() override;
  bool Finished() const override { return finished_.load(); }

  // 0 after a fresh read; 87 when answered from the cache or when nothing could be read.
  int GetDeviceName(std::string& name) override;
  int GetProductVersion(std::string& version) override;
  int GetDeviceClass(std::string& deviceClass) override;

  // Switches the device's backup encryption off with its password. 0 when it is off (or was
  // already), 87 without a password, else the exchange's result.
  int ChangePassword(const std::string& password) override;

  // Progress of the next Backup, on the caller's scale: the backup fills 0 to `weight`.
  void SetProgress(ProgressCallback callback, void* user, int weight);

  // Makes a full backup of the connected device into root/<UDID>. 0, or an error code
  // (-1 when no device is connected, it went silent or a stop was requested; 87 when the root
  // cannot be made; the callback's answer when it asked to stop; minus the device's error).
  int Backup(const std::filesystem::path& root, const std::string& password);

  std::filesystem::path GetBackupFolder() const;
  std::string Udid() const;
  bool TwoLevelLayout() const { return twoLevelLayout_.load(); }
  bool NewSchema() const { return newSchema_.load(); }
  bool WillEncrypt() const { return willEncrypt_.load(); }

  // The whole content of a device file through AFC, or nothing when it cannot be read whole.
  std::optional<std::string> ReadDeviceFile(const std::string& devicePath);
  // The Info.plist written beside a backup, from the device's values; null when they cannot be read.
  PlistPtr BuildInfoPlist();
  // Removes the top-level files of the last backup folder and its "Snapshot" folder.
  void CleanBackupFolder();
  // Posts a notification on a lockdown session of its own.
  void PostNotification(const char* name);

  void SetTimings(const DeviceTimings& timings);

 private:
  CDeviceBackup() = default;
  void ReleaseAll();
  int StartSyncLock();
  void ReleaseSyncLock();
  int RunBackup(const std::filesystem::path& root);
  int RunExchange(const std::filesystem::path& root);
  // Reads `key` of the default lockdown domain; 0 or 87.
  int ReadLockdownText(const char* key, std::string& out);
  int ReadCachedValue(const char* key, std::string& cache, std::string& out, bool fill);
  void NoteProductVersion(const std::string& version);
  static void OnNotification(const char* name, void* user);

  mutable std::mutex mutex_;
  idevice_t device_ = nullptr;
  lockdownd_client_t lockdown_ = nullptr;
  np_client_t notifications_ = nullptr;
  afc_client_t afc_ = nullptr;
  std::unique_ptr<CBackupServiceConnection> backupService_;
  std::uint64_t syncLock_ = 0;
  std::string udid_;
  std::string productVersion_, deviceName_, deviceClass_;
  std::filesystem::path backupFolder_;
  ProgressCallback callback_ = nullptr;
  void* user_ = nullptr;
  int progressWeight_ = 0;
  DeviceTimings timings_;
  std::atomic<bool> willEncrypt_{false};
  std::atomic<bool> twoLevelLayout_{false};
  std::atomic<bool> newSchema_{false};
  std::atomic<bool> finished_{true};
};

}  // namespace vesmar
