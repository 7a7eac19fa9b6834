// One connection of the simulated device: a socket that can switch to TLS, with the framings
// the device's services use.
#pragma once

#include <openssl/ssl.h>

#include <cstdint>
#include <mutex>
#include <string>

#include "device/plist_ptr.h"

namespace vesmar::fake {

class Stream {
 public:
  explicit Stream(int fd) : fd_(fd) {}
  ~Stream();
  Stream(const Stream&) = delete;
  Stream& operator=(const Stream&) = delete;

  int fd() const { return fd_; }
  // Waits up to `waitMs` (negative: for ever) for bytes to read. False on time-out or close.
  bool WaitReadable(int waitMs);
  bool ReadExact(void* data, std::size_t length);
  bool WriteAll(const void* data, std::size_t length);
  bool WriteAll(const std::string& data) { return WriteAll(data.data(), data.size()); }

  bool StartTls(SSL_CTX* context);  // server side of a handshake on this socket
  void StopTls();

  // 4-byte big-endian length, then a property list (XML or binary).
  PlistPtr ReadPlist();
  bool WritePlist(plist_t node, bool binary);

  // Ends any blocked read from another thread.
  void Shutdown();

 private:
  int fd_;
  SSL* ssl_ = nullptr;
  std::mutex writeMutex_;
};

std::string Be32(std::uint32_t value);
std::uint32_t ReadBe32(const void* bytes);

}  // namespace vesmar::fake
