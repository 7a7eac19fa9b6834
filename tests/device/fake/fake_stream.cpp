#include "tests/device/fake/fake_stream.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace vesmar::fake {

std::string Be32(std::uint32_t v) {
  return std::string{static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
                     static_cast<char>(v)};
}

std::uint32_t ReadBe32(const void* bytes) {
  const auto* p = static_cast<const unsigned char*>(bytes);
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

Stream::~Stream() {
  StopTls();
  ::close(fd_);
}

void Stream::Shutdown() { ::shutdown(fd_, SHUT_RDWR); }

bool Stream::WaitReadable(int waitMs) {
  if (ssl_ && SSL_pending(ssl_) > 0) return true;
  pollfd p{fd_, POLLIN, 0};
  int rc;
  do rc = ::poll(&p, 1, waitMs);
  while (rc < 0 && errno == EINTR);
  return rc > 0;
}

bool Stream::ReadExact(void* data, std::size_t length) {
  auto* out = static_cast<char*>(data);
  while (length > 0) {
    ssize_t n;
    if (ssl_) {
      n = SSL_read(ssl_, out, static_cast<int>(std::min<std::size_t>(length, 1 << 20)));
    } else {
      do n = ::recv(fd_, out, length, 0);
      while (n < 0 && errno == EINTR);
    }
    if (n <= 0) return false;
    out += n;
    length -= static_cast<std::size_t>(n);
  }
  return true;
}

bool Stream::WriteAll(const void* data, std::size_t length) {
  std::lock_guard lock(writeMutex_);
  const auto* in = static_cast<const char*>(data);
  while (length > 0) {
    ssize_t n;
    if (ssl_) {
      n = SSL_write(ssl_, in, static_cast<int>(std::min<std::size_t>(length, 1 << 20)));
    } else {
      do n = ::send(fd_, in, length, MSG_NOSIGNAL);
      while (n < 0 && errno == EINTR);
    }
    if (n <= 0) return false;
    in += n;
    length -= static_cast<std::size_t>(n);
  }
  return true;
}

bool Stream::StartTls(SSL_CTX* context) {
  ssl_ = SSL_new(context);
  SSL_set_fd(ssl_, fd_);
  if (SSL_accept(ssl_) != 1) {
    SSL_free(ssl_);
    ssl_ = nullptr;
    return false;
  }
  return true;
}

void Stream::StopTls() {
  if (!ssl_) return;
  SSL_shutdown(ssl_);
  SSL_free(ssl_);
  ssl_ = nullptr;
}

PlistPtr Stream::ReadPlist() {
  char prefix[4];
  if (!ReadExact(prefix, 4)) return nullptr;
  const std::uint32_t length = ReadBe32(prefix);
  if (length == 0 || length > (64u << 20)) return nullptr;
  std::vector<char> body(length);
  if (!ReadExact(body.data(), length)) return nullptr;
  return PlistFromBytes(body.data(), body.size());
}

bool Stream::WritePlist(plist_t node, bool binary) {
  const std::string body = binary ? PlistToBinary(node) : PlistToXml(node);
  return WriteAll(Be32(static_cast<std::uint32_t>(body.size())) + body);
}

}  // namespace vesmar::fake
