// The device's backup service ("com.apple.mobilebackup2") over libimobiledevice's service
// connection. Messages are length-prefixed binary property lists, as the library's own backup
// client sends them; this adapter reads them with waits it chooses, so that a stop request is
// never stuck behind the library's fixed 30-second receive.
#pragma once

#include <libimobiledevice/libimobiledevice.h>
#include <libimobiledevice/lockdown.h>
#include <libimobiledevice/service.h>

#include <atomic>
#include <memory>
#include <string>

#include "device/device_link_channel.h"

namespace vesmar {

class CBackupServiceConnection final : public IDeviceLinkChannel {
 public:
  // Connects to the started service, agrees on the device-link version and then on the backup
  // protocol (2.0 or 2.1). 0, or a backup-service error code (MOBILEBACKUP2_E_*).
  static int Open(idevice_t device, lockdownd_service_descriptor_t service,
                  std::unique_ptr<CBackupServiceConnection>& connection);
  ~CBackupServiceConnection() override;  // says goodbye to the device and closes
  CBackupServiceConnection(const CBackupServiceConnection&) = delete;
  CBackupServiceConnection& operator=(const CBackupServiceConnection&) = delete;

  // ["DLMessageProcessMessage", body]; 0 or an error code.
  int SendProcessMessage(plist_t body);
  // A request such as "Backup": the body names it and the target and source devices.
  int SendRequest(const char* request, const std::string& target, const std::string& source, plist_t options);

  // While set, a message that has begun is given up (the connection counts as closed) once
  // `stopRequests` is above 0, so a device trickling a message cannot hold a stop back.
  void WatchStop(const std::atomic<int>* stopRequests) { stopRequests_ = stopRequests; }

  ReceiveStatus ReceiveMessage(PlistPtr& message, unsigned waitMs) override;
  int SendStatusResponse(std::int64_t code, const char* description, plist_t content) override;
  int SendRaw(const char* data, std::uint32_t length) override;
  ReceiveStatus ReceiveRaw(char* data, std::uint32_t length, std::uint32_t& received, unsigned waitMs) override;

 private:
  explicit CBackupServiceConnection(service_client_t client) : client_(client) {}
  int SendPlist(plist_t node);
  // Waits up to `waitMs` for a message; a message that has begun is read to its end.
  ReceiveStatus ReceivePlist(PlistPtr& node, unsigned waitMs);
  bool ReceiveRest(char* data, std::uint32_t length);
  int ExchangeVersions();
  int ExchangeProtocolVersion();

  service_client_t client_ = nullptr;
  const std::atomic<int>* stopRequests_ = nullptr;
};

}  // namespace vesmar
