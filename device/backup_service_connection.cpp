#include "device/backup_service_connection.h"

#include <libimobiledevice/mobilebackup2.h>

#include <chrono>
#include <cmath>
#include <string>
#include <vector>

namespace vesmar {

namespace {

constexpr const char* kEmptyParameter = "___EmptyParameterString___";
constexpr std::uint64_t kDeviceLinkVersion = 400;  // what Debian's library offers too
constexpr std::uint32_t kMaxMessage = 64u << 20;    // device-link messages are small; cap what we accept
constexpr unsigned kHandshakeWaitMs = 30000;
// Once a message or raw piece has begun, the rest must follow within this silence.
constexpr unsigned kRestWaitMs = 30000;
constexpr unsigned kRestSliceMs = 100;  // how late a stop request is seen inside a message

PlistPtr NamedArray(const char* name) {
  PlistPtr array(plist_new_array());
  plist_array_append_item(array.get(), plist_new_string(name));
  return array;
}

}  // namespace

int CBackupServiceConnection::Open(idevice_t device, lockdownd_service_descriptor_t service,
                                   std::unique_ptr<CBackupServiceConnection>& connection) {
  connection.reset();
  if (!device || !service || service->port == 0) return MOBILEBACKUP2_E_INVALID_ARG;
  service_client_t client = nullptr;
  if (service_client_new(device, service, &client) != SERVICE_E_SUCCESS || !client) return MOBILEBACKUP2_E_MUX_ERROR;
  std::unique_ptr<CBackupServiceConnection> opened(new CBackupServiceConnection(client));
  if (const int rc = opened->ExchangeVersions(); rc != 0) {
    service_client_free(opened->client_);  // no goodbye: the link never came up
    opened->client_ = nullptr;
    return rc;
  }
  if (const int rc = opened->ExchangeProtocolVersion(); rc != 0) return rc;
  connection = std::move(opened);
  return 0;
}

CBackupServiceConnection::~CBackupServiceConnection() {
  if (!client_) return;
  PlistPtr goodbye = NamedArray("DLMessageDisconnect");
  plist_array_append_item(goodbye.get(), plist_new_string(kEmptyParameter));
  SendPlist(goodbye.get());
  service_client_free(client_);
}

// ["DLMessageVersionExchange", major, minor] from the device; we accept up to our version and
// wait for the device to be ready.
int CBackupServiceConnection::ExchangeVersions() {
  PlistPtr offer;
  if (ReceivePlist(offer, kHandshakeWaitMs) != ReceiveStatus::Data) return MOBILEBACKUP2_E_MUX_ERROR;
  if (PlistText(PlistItem(offer.get(), 0)) != "DLMessageVersionExchange") return MOBILEBACKUP2_E_PLIST_ERROR;
  const auto major = PlistUnsigned(PlistItem(offer.get(), 1));
  const auto minor = PlistUnsigned(PlistItem(offer.get(), 2));
  if (!major || !minor) return MOBILEBACKUP2_E_PLIST_ERROR;
  if (*major > kDeviceLinkVersion || (*major == kDeviceLinkVersion && *minor > 0)) return MOBILEBACKUP2_E_BAD_VERSION;

  PlistPtr answer = NamedArray("DLMessageVersionExchange");
  plist_array_append_item(answer.get(), plist_new_string("DLVersionsOk"));
  plist_array_append_item(answer.get(), plist_new_uint(kDeviceLinkVersion));
  if (const int rc = SendPlist(answer.get()); rc != 0) return rc;

  PlistPtr ready;
  if (ReceivePlist(ready, kHandshakeWaitMs) != ReceiveStatus::Data) return MOBILEBACKUP2_E_MUX_ERROR;
  if (PlistText(PlistItem(ready.get(), 0)) != "DLMessageDeviceReady") return MOBILEBACKUP2_E_BAD_VERSION;
  return 0;
}

// "Hello" with the protocol versions we speak; the device answers with the one it chose.
int CBackupServiceConnection::ExchangeProtocolVersion() {
  PlistPtr hello(plist_new_dict());
  plist_dict_set_item(hello.get(), "MessageName", plist_new_string("Hello"));
  plist_t versions = plist_new_array();
  plist_array_append_item(versions, plist_new_real(2.0));
  plist_array_append_item(versions, plist_new_real(2.1));
  plist_dict_set_item(hello.get(), "SupportedProtocolVersions", versions);
  if (const int rc = SendProcessMessage(hello.get()); rc != 0) return rc;

  PlistPtr reply;
  if (ReceivePlist(reply, kHandshakeWaitMs) != ReceiveStatus::Data) return MOBILEBACKUP2_E_MUX_ERROR;
  if (PlistText(PlistItem(reply.get(), 0)) != "DLMessageProcessMessage") return MOBILEBACKUP2_E_PLIST_ERROR;
  plist_t body = PlistItem(reply.get(), 1);
  if (!body || plist_get_node_type(body) != PLIST_DICT) return MOBILEBACKUP2_E_PLIST_ERROR;
  if (PlistText(plist_dict_get_item(body, "MessageName")) != "Response") return MOBILEBACKUP2_E_PLIST_ERROR;
  const auto error = PlistUnsigned(plist_dict_get_item(body, "ErrorCode"));
  if (!error) return MOBILEBACKUP2_E_PLIST_ERROR;
  if (*error != 0) return MOBILEBACKUP2_E_NO_COMMON_VERSION;
  const auto version = PlistReal(plist_dict_get_item(body, "ProtocolVersion"));
  if (!version) return MOBILEBACKUP2_E_PLIST_ERROR;
  if (std::fabs(*version - 2.0) > 1e-6 && std::fabs(*version - 2.1) > 1e-6) return MOBILEBACKUP2_E_NO_COMMON_VERSION;
  return 0;
}

int CBackupServiceConnection::SendProcessMessage(plist_t body) {
  PlistPtr message = NamedArray("DLMessageProcessMessage");
  plist_array_append_item(message.get(), plist_copy(body));
  return SendPlist(message.get());
}

int CBackupServiceConnection::SendRequest(const char* request, const std::string& target, const std::string& source,
                                          plist_t options) {
  PlistPtr body(plist_new_dict());
  plist_dict_set_item(body.get(), "MessageName", plist_new_string(request));
  plist_dict_set_item(body.get(), "TargetIdentifier", plist_new_string(target.c_str()));
  if (!source.empty()) plist_dict_set_item(body.get(), "SourceIdentifier", plist_new_string(source.c_str()));
  if (options) plist_dict_set_item(body.get(), "Options", plist_copy(options));
  return SendProcessMessage(body.get());
}

int CBackupServiceConnection::SendStatusResponse(std::int64_t code, const char* description, plist_t content) {
  PlistPtr message = NamedArray("DLMessageStatusResponse");
  plist_array_append_item(message.get(), plist_new_uint(static_cast<std::uint64_t>(code)));
  plist_array_append_item(message.get(), plist_new_string(description ? description : kEmptyParameter));
  plist_array_append_item(message.get(), content ? plist_copy(content) : plist_new_string(kEmptyParameter));
  return SendPlist(message.get());
}

int CBackupServiceConnection::SendPlist(plist_t node) {
  const std::string body = PlistToBinary(node);
  if (body.empty()) return MOBILEBACKUP2_E_PLIST_ERROR;
  std::string frame(4, '\0');
  const auto length = static_cast<std::uint32_t>(body.size());
  frame[0] = static_cast<char>(length >> 24);
  frame[1] = static_cast<char>(length >> 16);
  frame[2] = static_cast<char>(length >> 8);
  frame[3] = static_cast<char>(length);
  frame += body;
  return SendRaw(frame.data(), static_cast<std::uint32_t>(frame.size()));
}

int CBackupServiceConnection::SendRaw(const char* data, std::uint32_t length) {
  while (length > 0) {
    std::uint32_t sent = 0;
    if (service_send(client_, data, length, &sent) != SERVICE_E_SUCCESS || sent == 0) return MOBILEBACKUP2_E_MUX_ERROR;
    data += sent;
    length -= sent;
  }
  return 0;
}

ReceiveStatus CBackupServiceConnection::ReceiveRaw(char* data, std::uint32_t length, std::uint32_t& received,
                                                   unsigned waitMs) {
  received = 0;
  if (length == 0) return ReceiveStatus::Data;
  const service_error_t rc = service_receive_with_timeout(client_, data, length, &received, waitMs);
  if (rc == SERVICE_E_SUCCESS && received > 0) return ReceiveStatus::Data;
  received = 0;
  if (rc == SERVICE_E_SUCCESS || rc == SERVICE_E_TIMEOUT) return ReceiveStatus::Timeout;
  return ReceiveStatus::Closed;
}

bool CBackupServiceConnection::ReceiveRest(char* data, std::uint32_t length) {
  auto quietSince = std::chrono::steady_clock::now();
  while (length > 0) {
    if (stopRequests_ && stopRequests_->load() > 0) return false;
    std::uint32_t got = 0;
    const ReceiveStatus status = ReceiveRaw(data, length, got, kRestSliceMs);
    if (status == ReceiveStatus::Closed) return false;
    if (got == 0) {
      if (std::chrono::steady_clock::now() - quietSince >= std::chrono::milliseconds(kRestWaitMs)) return false;
      continue;
    }
    quietSince = std::chrono::steady_clock::now();
    data += got;
    length -= got;
  }
  return true;
}

ReceiveStatus CBackupServiceConnection::ReceivePlist(PlistPtr& node, unsigned waitMs) {
  node.reset();
  unsigned char prefix[4];
  std::uint32_t got = 0;
  const ReceiveStatus first = ReceiveRaw(reinterpret_cast<char*>(prefix), 4, got, waitMs);
  if (first != ReceiveStatus::Data) return first;
  if (got < 4 && !ReceiveRest(reinterpret_cast<char*>(prefix) + got, 4 - got)) return ReceiveStatus::Closed;
  const std::uint32_t length = (std::uint32_t{prefix[0]} << 24) | (std::uint32_t{prefix[1]} << 16) |
                               (std::uint32_t{prefix[2]} << 8) | prefix[3];
  // A length we will not take means the stream is out of step: nothing after it can be trusted.
  if (length == 0 || length > kMaxMessage) return ReceiveStatus::Closed;
  std::vector<char> body(length);
  if (!ReceiveRest(body.data(), length)) return ReceiveStatus::Closed;
  node = PlistFromBytes(body.data(), body.size());
  return ReceiveStatus::Data;
}

ReceiveStatus CBackupServiceConnection::ReceiveMessage(PlistPtr& message, unsigned waitMs) {
  const ReceiveStatus status = ReceivePlist(message, waitMs);
  // Anything but an array named "DL..." is not a device-link message; the loop ignores it.
  if (status == ReceiveStatus::Data) {
    const auto name = PlistText(PlistItem(message.get(), 0));
    if (!name || name->rfind("DL", 0) != 0) message.reset();
  }
  return status;
}

}  // namespace vesmar
