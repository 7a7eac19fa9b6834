#include "tests/device/fake/fake_device.h"

#include <arpa/inet.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

#include "tests/device/fake/fake_tls.h"

namespace vesmar::fake {

namespace fs = std::filesystem;

namespace {

constexpr std::uint16_t kLockdownPort = 62078;
constexpr const char* kEmpty = "___EmptyParameterString___";

std::uint32_t ReadLe32(const unsigned char* p) {
  return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
}
std::uint64_t ReadLe64(const unsigned char* p) {
  std::uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}
std::string Le32(std::uint32_t v) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[i] = static_cast<char>(v >> (8 * i));
  return s;
}
std::string Le64(std::uint64_t v) {
  std::string s(8, '\0');
  for (int i = 0; i < 8; ++i) s[i] = static_cast<char>(v >> (8 * i));
  return s;
}

PlistPtr MakeDict() { return PlistPtr(plist_new_dict()); }
void Set(plist_t dict, const char* key, plist_t value) { plist_dict_set_item(dict, key, value); }
std::string TextOf(plist_t dict, const char* key) {
  return PlistText(plist_dict_get_item(dict, key)).value_or("");
}

bool WriteUsbmux(Stream& stream, std::uint32_t tag, plist_t reply) {
  const std::string body = PlistToXml(reply);
  return stream.WriteAll(Le32(16 + static_cast<std::uint32_t>(body.size())) + Le32(1) + Le32(8) + Le32(tag) + body);
}

bool WriteResult(Stream& stream, std::uint32_t tag, std::uint64_t number) {
  PlistPtr reply = MakeDict();
  Set(reply.get(), "MessageType", plist_new_string("Result"));
  Set(reply.get(), "Number", plist_new_uint(number));
  return WriteUsbmux(stream, tag, reply.get());
}

PlistPtr Named(std::initializer_list<plist_t> items) {
  PlistPtr array(plist_new_array());
  for (plist_t item : items) plist_array_append_item(array.get(), item);
  return array;
}

}  // namespace

FakeDevice::FakeDevice(FakeDeviceConfig config) : config_(std::move(config)) {
  ::signal(SIGPIPE, SIG_IGN);
  willEncrypt_ = config_.willEncrypt;
  lockRefusalsLeft_ = config_.lockRefusals;
  if (config_.sessionTls) SharedTlsIdentity();

  std::string folder = (fs::temp_directory_path() / "vesmar-fake-device-XXXXXX").string();
  if (!::mkdtemp(folder.data())) throw std::runtime_error("cannot make the fake device's folder");
  folder_ = folder;
  const fs::path socketPath = folder_ / "usbmuxd";
  listenFd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::strncpy(addr.sun_path, socketPath.c_str(), sizeof addr.sun_path - 1);
  if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(listenFd_, 64) != 0)
    throw std::runtime_error("cannot listen on the fake usbmuxd socket");

  if (const char* previous = ::getenv("USBMUXD_SOCKET_ADDRESS")) previousAddress_ = previous;
  address_ = "UNIX:" + socketPath.string();
  ::setenv("USBMUXD_SOCKET_ADDRESS", address_.c_str(), 1);
  acceptThread_ = std::thread([this] { AcceptLoop(); });
}

FakeDevice::~FakeDevice() {
  stopping_ = true;
  ::shutdown(listenFd_, SHUT_RDWR);
  if (acceptThread_.joinable()) acceptThread_.join();
  ::close(listenFd_);
  std::vector<std::thread> threads;
  {
    std::lock_guard lock(mutex_);
    for (auto& weak : streams_)
      if (auto stream = weak.lock()) stream->Shutdown();
    threads.swap(threads_);
  }
  for (auto& t : threads) t.join();
  if (previousAddress_) {
    ::setenv("USBMUXD_SOCKET_ADDRESS", previousAddress_->c_str(), 1);
  } else {
    ::unsetenv("USBMUXD_SOCKET_ADDRESS");
  }
  std::error_code ec;
  fs::remove_all(folder_, ec);
}

FakeDeviceLog FakeDevice::log() const {
  std::lock_guard lock(mutex_);
  return log_;
}

void FakeDevice::RelayNotification(const std::string& name) {
  std::vector<std::shared_ptr<Stream>> targets;
  {
    std::lock_guard lock(mutex_);
    for (auto& weak : notificationStreams_)
      if (auto stream = weak.lock()) targets.push_back(stream);
  }
  PlistPtr message = MakeDict();
  Set(message.get(), "Command", plist_new_string("RelayNotification"));
  Set(message.get(), "Name", plist_new_string(name.c_str()));
  for (auto& stream : targets) stream->WritePlist(message.get(), false);
}

void FakeDevice::Unplug() {
  plugged_ = false;
  std::lock_guard lock(mutex_);
  for (auto& weak : streams_)
    if (auto stream = weak.lock()) stream->Shutdown();
}

void FakeDevice::AcceptLoop() {
  while (!stopping_) {
    const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) {
      if (stopping_) return;
      if (errno == EINTR || errno == ECONNABORTED) continue;
      return;
    }
    auto stream = std::make_shared<Stream>(fd);
    std::lock_guard lock(mutex_);
    streams_.push_back(stream);
    threads_.emplace_back([this, stream] { Serve(stream); });
  }
}

void FakeDevice::Serve(std::shared_ptr<Stream> stream) { ServeUsbmux(*stream); }

PlistPtr FakeDevice::PairRecord() const {
  const auto& id = SharedTlsIdentity();
  auto data = [](const std::string& s) { return plist_new_data(s.data(), s.size()); };
  PlistPtr record = MakeDict();
  Set(record.get(), "DeviceCertificate", data(id.certificatePem));
  Set(record.get(), "HostCertificate", data(id.certificatePem));
  Set(record.get(), "HostPrivateKey", data(id.privateKeyPem));
  Set(record.get(), "RootCertificate", data(id.certificatePem));
  Set(record.get(), "RootPrivateKey", data(id.privateKeyPem));
  Set(record.get(), "HostID", plist_new_string("5E1F3C7A-0B7D-4C53-9F0E-3D3F8A7C9B21"));
  Set(record.get(), "SystemBUID", plist_new_string("0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9"));
  if (config_.escrowBag) Set(record.get(), "EscrowBag", data(std::string(32, '\x5A')));
  return record;
}

void FakeDevice::ServeUsbmux(Stream& stream) {
  while (!stopping_) {
    unsigned char header[16];
    if (!stream.ReadExact(header, 16)) return;
    const std::uint32_t length = ReadLe32(header);
    const std::uint32_t tag = ReadLe32(header + 12);
    if (length < 16 || length > (1u << 20)) return;
    std::string body(length - 16, '\0');
    if (!stream.ReadExact(body.data(), body.size())) return;
    PlistPtr request = PlistFromBytes(body.data(), body.size());
    const std::string type = TextOf(request.get(), "MessageType");

    if (type == "ListDevices") {
      PlistPtr reply = MakeDict();
      plist_t list = plist_new_array();
      if (plugged_) {
        plist_t props = plist_new_dict();
        Set(props, "ConnectionType", plist_new_string("USB"));
        Set(props, "DeviceID", plist_new_uint(1));
        Set(props, "LocationID", plist_new_uint(0x14100000));
        Set(props, "ProductID", plist_new_uint(0x12a8));
        Set(props, "SerialNumber", plist_new_string(config_.udid.c_str()));
        plist_t device = plist_new_dict();
        Set(device, "DeviceID", plist_new_uint(1));
        Set(device, "MessageType", plist_new_string("Attached"));
        Set(device, "Properties", props);
        plist_array_append_item(list, device);
      }
      Set(reply.get(), "DeviceList", list);
      WriteUsbmux(stream, tag, reply.get());
    } else if (type == "ReadBUID") {
      PlistPtr reply = MakeDict();
      Set(reply.get(), "BUID", plist_new_string("0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9"));
      WriteUsbmux(stream, tag, reply.get());
    } else if (type == "ReadPairRecord") {
      if (!config_.pairRecord) {
        WriteResult(stream, tag, 2);
        continue;
      }
      const std::string xml = PlistToXml(PairRecord().get());
      PlistPtr reply = MakeDict();
      Set(reply.get(), "PairRecordData", plist_new_data(xml.data(), xml.size()));
      WriteUsbmux(stream, tag, reply.get());
    } else if (type == "Connect") {
      const auto port = static_cast<std::uint16_t>(ntohs(
          static_cast<std::uint16_t>(PlistUnsigned(plist_dict_get_item(request.get(), "PortNumber")).value_or(0))));
      std::string service;
      {
        std::lock_guard lock(mutex_);
        if (port == kLockdownPort) service = "lockdownd";
        else if (auto it = ports_.find(port); it != ports_.end()) service = it->second;
      }
      if (!plugged_ || service.empty()) {
        WriteResult(stream, tag, plugged_ ? 3 : 2);
        continue;
      }
      WriteResult(stream, tag, 0);
      if (service == "lockdownd") {
        ServeLockdown(stream);
      } else if (service == "com.apple.mobile.notification_proxy") {
        std::shared_ptr<Stream> shared;
        {
          std::lock_guard lock(mutex_);
          for (auto& weak : streams_)
            if (auto s = weak.lock(); s && s.get() == &stream) shared = s;
        }
        ServeNotifications(shared);
      } else if (service == "com.apple.afc") {
        ServeAfc(stream);
      } else if (service == "com.apple.mobilebackup2") {
        ServeBackup(stream);
      }
      return;
    } else if (type == "Listen" || type == "SavePairRecord" || type == "DeletePairRecord") {
      WriteResult(stream, tag, 0);
    } else {
      WriteResult(stream, tag, 1);
    }
  }
}

PlistPtr FakeDevice::LockdownValue(const std::string& domain, const std::string& key, std::string& error) const {
  PlistPtr values = MakeDict();
  plist_t v = values.get();
  if (domain.empty()) {
    Set(v, "DeviceName", plist_new_string(config_.deviceName.c_str()));
    Set(v, "DeviceClass", plist_new_string(config_.deviceClass.c_str()));
    Set(v, "ProductType", plist_new_string(config_.productType.c_str()));
    Set(v, "ProductVersion", plist_new_string(config_.productVersion.c_str()));
    Set(v, "BuildVersion", plist_new_string(config_.buildVersion.c_str()));
    Set(v, "SerialNumber", plist_new_string(config_.serialNumber.c_str()));
    Set(v, "UniqueDeviceID", plist_new_string(config_.udid.c_str()));
    if (config_.phoneNumber) Set(v, "PhoneNumber", plist_new_string(config_.phoneNumber->c_str()));
  } else if (domain == "com.apple.mobile.backup") {
    Set(v, "WillEncrypt", plist_new_bool(willEncrypt_ ? 1 : 0));
  } else if (domain == "com.apple.mobile.iTunes") {
    Set(v, "MinITunesVersion", plist_new_string("10.0.1"));
  } else if (domain == "com.apple.iTunes") {
    Set(v, "LibraryApplications", plist_new_array());
  }
  if (key.empty()) return values;
  plist_t item = plist_dict_get_item(v, key.c_str());
  if (!item) {
    error = "MissingValue";
    return nullptr;
  }
  return PlistPtr(plist_copy(item));
}

void FakeDevice::ServeLockdown(Stream& stream) {
  while (!stopping_) {
    PlistPtr request = stream.ReadPlist();
    if (!request) return;
    const std::string name = TextOf(request.get(), "Request");
    PlistPtr reply = MakeDict();
    Set(reply.get(), "Request", plist_new_string(name.c_str()));
    bool startTls = false, stopTls = false;
    std::string error;

    if (name == "QueryType") {
      Set(reply.get(), "Type", plist_new_string("com.apple.mobile.lockdown"));
    } else if (name == "GetValue") {
      PlistPtr value = LockdownValue(TextOf(request.get(), "Domain"), TextOf(request.get(), "Key"), error);
      if (value) Set(reply.get(), "Value", value.release());
    } else if (name == "StartSession") {
      Set(reply.get(), "SessionID", plist_new_string("F00DF00D-0000-4000-8000-000000000001"));
      Set(reply.get(), "EnableSessionSSL", plist_new_bool(config_.sessionTls ? 1 : 0));
      startTls = config_.sessionTls;
      std::lock_guard lock(mutex_);
      ++log_.sessions;
    } else if (name == "StopSession") {
      stopTls = true;
    } else if (name == "StartService") {
      const std::string service = TextOf(request.get(), "Service");
      static const char* kKnown[] = {"com.apple.mobile.notification_proxy", "com.apple.afc", "com.apple.mobilebackup2"};
      bool known = false;
      for (const char* k : kKnown) known = known || service == k;
      if (!known) {
        error = "InvalidService";
      } else {
        std::lock_guard lock(mutex_);
        const std::uint16_t port = nextPort_++;
        ports_[port] = service;
        log_.services.push_back(service);
        if (service == "com.apple.mobilebackup2" && plist_dict_get_item(request.get(), "EscrowBag"))
          log_.escrowBagSent = true;
        Set(reply.get(), "Service", plist_new_string(service.c_str()));
        Set(reply.get(), "Port", plist_new_uint(port));
        Set(reply.get(), "EnableServiceSSL", plist_new_bool(0));
      }
    }
    if (!error.empty()) {
      Set(reply.get(), "Error", plist_new_string(error.c_str()));
    } else {
      Set(reply.get(), "Result", plist_new_string("Success"));
    }
    if (!stream.WritePlist(reply.get(), false)) return;
    if (startTls && !stream.StartTls(SharedTlsIdentity().serverContext)) return;
    if (stopTls) stream.StopTls();
  }
}

void FakeDevice::ServeNotifications(const std::shared_ptr<Stream>& stream) {
  if (!stream) return;
  {
    std::lock_guard lock(mutex_);
    notificationStreams_.push_back(stream);
  }
  while (!stopping_) {
    PlistPtr message = stream->ReadPlist();
    if (!message) return;
    const std::string command = TextOf(message.get(), "Command");
    const std::string name = TextOf(message.get(), "Name");
    if (command == "ObserveNotification") {
      std::lock_guard lock(mutex_);
      log_.observed.push_back(name);
    } else if (command == "PostNotification") {
      std::lock_guard lock(mutex_);
      log_.posted.push_back(name);
    } else if (command == "Shutdown") {
      PlistPtr reply = MakeDict();
      Set(reply.get(), "Command", plist_new_string("ProxyDeath"));
      stream->WritePlist(reply.get(), false);
      return;
    }
  }
}

void FakeDevice::ServeAfc(Stream& stream) {
  constexpr std::uint64_t kStatus = 0x01, kData = 0x02, kGetFileInfo = 0x0A, kOpen = 0x0D, kOpenResult = 0x0E,
                          kRead = 0x0F, kClose = 0x14, kLock = 0x1B;
  std::map<std::uint64_t, std::pair<std::string, std::uint64_t>> open;  // handle -> path, offset
  std::uint64_t nextHandle = 1;
  auto reply = [&](std::uint64_t packet, std::uint64_t op, const std::string& payload) {
    return stream.WriteAll(std::string("CFA6LPAA") + Le64(40 + payload.size()) + Le64(40) + Le64(packet) + Le64(op) +
                           payload);
  };
  auto status = [&](std::uint64_t packet, std::uint64_t code) { return reply(packet, kStatus, Le64(code)); };
  while (!stopping_) {
    unsigned char header[40];
    if (!stream.ReadExact(header, 40) || std::memcmp(header, "CFA6LPAA", 8) != 0) return;
    const std::uint64_t entire = ReadLe64(header + 8), packet = ReadLe64(header + 24), op = ReadLe64(header + 32);
    if (entire < 40 || entire > (64u << 20)) return;
    std::string args(entire - 40, '\0');
    if (!stream.ReadExact(args.data(), args.size())) return;
    const auto* a = reinterpret_cast<const unsigned char*>(args.data());
    bool ok = true;
    if (op == kGetFileInfo) {
      const std::string path(args.c_str());
      auto it = config_.files.find(path);
      if (it == config_.files.end()) {
        ok = status(packet, 8);
      } else {
        const std::string size = std::to_string(it->second.size());
        ok = reply(packet, kData,
                   std::string("st_size\0", 8) + size + std::string("\0st_blocks\0", 11) + "8" +
                       std::string("\0st_nlink\0", 10) + "1" + std::string("\0st_ifmt\0", 9) + "S_IFREG" +
                       std::string("\0", 1));
      }
    } else if (op == kOpen && args.size() > 8) {
      const std::uint64_t mode = ReadLe64(a);
      const std::string path(args.c_str() + 8);
      if (path != "/com.apple.itunes.lock_sync" && (mode != 1 || !config_.files.count(path))) {
        ok = status(packet, 8);
      } else {
        open[nextHandle] = {path, 0};
        ok = reply(packet, kOpenResult, Le64(nextHandle++));
      }
    } else if (op == kRead && args.size() >= 16) {
      auto it = open.find(ReadLe64(a));
      if (it == open.end()) {
        ok = status(packet, 9);
      } else {
        const auto file = config_.files.find(it->second.first);
        const std::string& content = file == config_.files.end() ? std::string() : file->second;
        const std::uint64_t at = std::min<std::uint64_t>(it->second.second, content.size());
        const std::uint64_t n = std::min<std::uint64_t>(ReadLe64(a + 8), content.size() - at);
        it->second.second += n;
        ok = reply(packet, kData, content.substr(at, n));
      }
    } else if (op == kLock && args.size() >= 16) {
      const std::uint64_t lockOp = ReadLe64(a + 8);
      std::uint64_t code = 0;
      if (lockOp == 12) {
        std::lock_guard lock(mutex_);
        log_.lockOps.push_back("unlock");
      } else {
        const int left = lockRefusalsLeft_.load();
        if (left != 0) {
          if (left > 0) lockRefusalsLeft_.fetch_sub(1);
          code = 19;
        } else {
          std::lock_guard lock(mutex_);
          log_.lockOps.push_back("lock");
        }
      }
      ok = status(packet, code);
    } else if (op == kClose && args.size() >= 8) {
      open.erase(ReadLe64(a));
      ok = status(packet, 0);
    } else {
      ok = status(packet, 4);
    }
    if (!ok) return;
  }
}

void FakeDevice::ServeBackup(Stream& stream) {
  BackupPeer link(stream, nullptr);
  if (!link.Send(Named({plist_new_string("DLMessageVersionExchange"), plist_new_uint(300), plist_new_uint(0)})))
    return;
  PlistPtr answer = link.Receive();
  if (PlistText(PlistItem(answer.get(), 1)) != "DLVersionsOk") return;
  if (!link.Send(Named({plist_new_string("DLMessageDeviceReady")}))) return;

  while (!stopping_) {
    PlistPtr message = link.Receive(-1);
    if (!message) return;
    if (PlistText(PlistItem(message.get(), 0)) != "DLMessageProcessMessage") return;  // Disconnect or garbage
    plist_t body = PlistItem(message.get(), 1);
    const std::string name = TextOf(body, "MessageName");
    if (name == "Hello") {
      PlistPtr response = MakeDict();
      Set(response.get(), "MessageName", plist_new_string("Response"));
      Set(response.get(), "ErrorCode", plist_new_uint(0));
      Set(response.get(), "ProtocolVersion", plist_new_real(2.1));
      link.Send(Named({plist_new_string("DLMessageProcessMessage"), response.release()}));
      continue;
    }
    {
      std::lock_guard lock(mutex_);
      log_.requests.push_back(name);
    }
    BackupPeer peer(stream, body);
    if (name == "Backup" && config_.onBackup) {
      config_.onBackup(peer);
    } else if (name == "ChangePassword" && config_.onChangePassword) {
      config_.onChangePassword(peer);
    } else if (name == "ChangePassword") {
      const bool right = TextOf(body, "OldPassword") == config_.backupPassword;
      if (right) willEncrypt_ = false;
      peer.Finish(right ? 0 : 207, right ? nullptr : "Wrong backup password");
    } else {
      peer.Finish(0);
    }
  }
}

bool BackupPeer::Send(PlistPtr message) { return stream_.WritePlist(message.get(), true); }

PlistPtr BackupPeer::Receive(int waitMs) {
  if (!stream_.WaitReadable(waitMs)) return nullptr;
  return stream_.ReadPlist();
}

bool BackupPeer::ReceiveRaw(std::string& bytes, std::size_t length) {
  bytes.resize(length);
  return stream_.ReadExact(bytes.data(), length);
}

std::optional<std::int64_t> BackupPeer::ExpectStatus(PlistPtr* content) {
  PlistPtr reply = Receive();
  if (PlistText(PlistItem(reply.get(), 0)) != "DLMessageStatusResponse") return std::nullopt;
  if (content) content->reset(plist_copy(PlistItem(reply.get(), 3)));
  return PlistSigned(PlistItem(reply.get(), 1));
}

std::optional<std::int64_t> BackupPeer::FreeDiskSpace(std::uint64_t* bytes) {
  Send(Named({plist_new_string("DLMessageGetFreeDiskSpace")}));
  PlistPtr content;
  const auto code = ExpectStatus(&content);
  if (bytes) *bytes = PlistUnsigned(content.get()).value_or(0);
  return code;
}

std::optional<std::int64_t> BackupPeer::CreateDirectory(const std::string& name) {
  Send(Named({plist_new_string("DLMessageCreateDirectory"), plist_new_string(name.c_str()), plist_new_uint(0),
              plist_new_string(kEmpty)}));
  return ExpectStatus();
}

std::optional<std::int64_t> BackupPeer::UploadStream(const std::string& rawStream, double progress) {
  Send(Named({plist_new_string("DLMessageUploadFiles"), plist_new_dict(), plist_new_real(progress),
              plist_new_uint(rawStream.size())}));
  if (!SendRaw(rawStream)) return std::nullopt;
  return ExpectStatus();
}

std::optional<std::int64_t> BackupPeer::Upload(const std::vector<std::pair<std::string, std::string>>& files,
                                               double progress) {
  return UploadStream(UploadBytes(files), progress);
}

void BackupPeer::Finish(std::int64_t errorCode, const char* description) {
  PlistPtr body = MakeDict();
  Set(body.get(), "ErrorCode", plist_new_uint(static_cast<std::uint64_t>(errorCode)));
  if (description) Set(body.get(), "ErrorDescription", plist_new_string(description));
  Send(Named({plist_new_string("DLMessageProcessMessage"), body.release()}));
}

std::string UploadBytes(const std::vector<std::pair<std::string, std::string>>& files, std::size_t piece) {
  std::string out;
  auto name = [&out](const std::string& n) { out += Be32(static_cast<std::uint32_t>(n.size())) + n; };
  for (const auto& [path, data] : files) {
    name("/private/var/mobile/" + path);
    name(path);
    for (std::size_t at = 0; at < data.size(); at += piece) {
      const std::size_t n = std::min(piece, data.size() - at);
      out += Be32(static_cast<std::uint32_t>(n) + 1) + '\x0C' + data.substr(at, n);
    }
    out += Be32(1) + '\x00';
  }
  return out + Be32(0);
}

}  // namespace vesmar::fake
