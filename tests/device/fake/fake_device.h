// A simulated iPhone for tests: a usbmuxd socket in a temporary folder (found by the device
// library through USBMUXD_SOCKET_ADDRESS), lockdownd with a pair record and escrow bag, sessions
// with or without TLS, the notification proxy, AFC and a scriptable backup service.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "device/plist_ptr.h"
#include "tests/device/fake/fake_stream.h"

namespace vesmar::fake {

class BackupPeer;

struct FakeDeviceConfig {
  std::string udid = "0123456789abcdef0123456789abcdef01234567";
  std::string deviceName = "Test iPhone";
  std::string deviceClass = "iPhone";
  std::string productType = "iPhone12,1";
  std::string productVersion = "14.3";
  std::string buildVersion = "18C66";
  std::string serialNumber = "F17TESTSERIAL";
  std::optional<std::string> phoneNumber = "+1 555 0100";
  bool sessionTls = false;
  bool pairRecord = true;
  bool escrowBag = true;
  bool willEncrypt = false;
  std::string backupPassword;  // the password that switches encryption off
  int lockRefusals = 0;        // AFC lock attempts refused with 19 before one succeeds; -1: always
  std::map<std::string, std::string> files;  // the device's file system as AFC shows it
  // Runs on the backup service's thread when the host sends "Backup".
  std::function<void(BackupPeer&)> onBackup;
  // Runs instead of the password check when the host sends "ChangePassword".
  std::function<void(BackupPeer&)> onChangePassword;
};

// What the host did, for tests to check.
struct FakeDeviceLog {
  std::vector<std::string> observed;  // notifications the host observes
  std::vector<std::string> posted;    // notifications the host posts
  std::vector<std::string> requests;  // backup-service requests ("Backup", "ChangePassword")
  std::vector<std::string> services;  // services started
  std::vector<std::string> lockOps;   // "lock", "unlock"
  int sessions = 0;                   // lockdown sessions started
  bool escrowBagSent = false;
};

class FakeDevice {
 public:
  // Starts listening and points USBMUXD_SOCKET_ADDRESS at this device.
  explicit FakeDevice(FakeDeviceConfig config);
  ~FakeDevice();  // stops every connection and restores the environment
  FakeDevice(const FakeDevice&) = delete;
  FakeDevice& operator=(const FakeDevice&) = delete;

  const std::string& socketAddress() const { return address_; }
  const FakeDeviceConfig& config() const { return config_; }
  FakeDeviceLog log() const;
  bool willEncrypt() const { return willEncrypt_.load(); }

  // Sends a notification to the host on every open notification-proxy connection.
  void RelayNotification(const std::string& name);
  // The device is unplugged: no longer listed, every connection dropped.
  void Unplug();

 private:
  void AcceptLoop();
  void Serve(std::shared_ptr<Stream> stream);
  void ServeUsbmux(Stream& stream);
  void ServeLockdown(Stream& stream);
  void ServeNotifications(const std::shared_ptr<Stream>& stream);
  void ServeAfc(Stream& stream);
  void ServeBackup(Stream& stream);
  PlistPtr LockdownValue(const std::string& domain, const std::string& key, std::string& error) const;
  PlistPtr PairRecord() const;

  FakeDeviceConfig config_;
  std::filesystem::path folder_;
  std::string address_;
  std::optional<std::string> previousAddress_;
  int listenFd_ = -1;
  std::thread acceptThread_;
  std::atomic<bool> stopping_{false};
  std::atomic<bool> plugged_{true};
  std::atomic<bool> willEncrypt_{false};
  std::atomic<int> lockRefusalsLeft_{0};

  mutable std::mutex mutex_;
  std::vector<std::thread> threads_;
  std::vector<std::weak_ptr<Stream>> streams_;
  std::vector<std::weak_ptr<Stream>> notificationStreams_;
  std::map<std::uint16_t, std::string> ports_;  // service port -> service name
  std::uint16_t nextPort_ = 49152;
  FakeDeviceLog log_;
};

// One file the device uploads, produced piece by piece so that large uploads need no memory.
struct UploadItem {
  std::string name;  // the name in the backup
  std::uint64_t size = 0;
  std::function<void(char* buffer, std::size_t length)> fill;  // the next `length` bytes
};

// The device's side of one backup-service exchange, handed to scripts.
class BackupPeer {
 public:
  BackupPeer(Stream& stream, plist_t request) : stream_(stream), request_(request) {}
  plist_t request() const { return request_; }

  bool Send(PlistPtr message);
  // The next message from the host, or null when it is gone or silent for `waitMs`.
  PlistPtr Receive(int waitMs = 30000);
  // Waits for a status response; its code, or nothing when none came.
  std::optional<std::int64_t> ExpectStatus(PlistPtr* content = nullptr);
  bool SendRaw(const std::string& bytes) { return stream_.WriteAll(bytes); }
  bool ReceiveRaw(std::string& bytes, std::size_t length);

  // Device-link steps; each returns the host's status code (nothing when no status came).
  std::optional<std::int64_t> FreeDiskSpace(std::uint64_t* bytes = nullptr);
  std::optional<std::int64_t> CreateDirectory(const std::string& name);
  // Sends the files as one "DLMessageUploadFiles" with its raw stream.
  std::optional<std::int64_t> Upload(const std::vector<std::pair<std::string, std::string>>& files,
                                     double progress = 0);
  std::optional<std::int64_t> UploadStream(const std::string& rawStream, double progress = 0);
  std::optional<std::int64_t> UploadItems(const std::vector<UploadItem>& items, double progress = 0);
  // "DLMessageProcessMessage" with the result; the exchange is over for the host.
  void Finish(std::int64_t errorCode, const char* description = nullptr);
  // Drops the connection, as a device that is pulled out.
  void Hangup() { stream_.Shutdown(); }

 private:
  Stream& stream_;
  plist_t request_;
};

// Raw upload stream for files (name, data) and the end of the list.
std::string UploadBytes(const std::vector<std::pair<std::string, std::string>>& files, std::size_t piece = 32768);

// A script that uploads every file of `backupFolder` (a backup as a device would make it:
// manifest, hashed files) under <UDID>/, then a finished Status.plist, and reports success.
std::function<void(BackupPeer&)> FullBackupFrom(std::filesystem::path backupFolder);

}  // namespace vesmar::fake
