#include "platform/single_instance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace vesmar {
namespace {

constexpr std::string_view kRequest = "show\n";
constexpr std::string_view kShown = "shown\n";

bool FillAddress(const std::filesystem::path& path, sockaddr_un& addr) {
  const std::string text = path.string();
  if (text.size() >= sizeof(addr.sun_path)) return false;
  std::memset(&addr, 0, sizeof(addr));
  addr.sun_family = AF_UNIX;
  std::memcpy(addr.sun_path, text.c_str(), text.size() + 1);
  return true;
}

// Reads until a newline, the peer closes, or the deadline passes.
std::string ReadLine(int fd, int timeoutMs) {
  std::string line;
  char c = 0;
  while (line.size() < 64) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, timeoutMs) <= 0) break;
    const ssize_t n = read(fd, &c, 1);
    if (n <= 0) break;
    line.push_back(c);
    if (c == '\n') break;
  }
  return line;
}

void WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = send(fd, text.data(), text.size(), MSG_NOSIGNAL);
    if (n <= 0) return;
    text.remove_prefix(static_cast<std::size_t>(n));
  }
}

}  // namespace

SingleInstance::SingleInstance(std::string name, std::filesystem::path folder)
    : name_(std::move(name)), folder_(std::move(folder)) {}

SingleInstance::~SingleInstance() {
  if (listenFd_ >= 0) {
    close(listenFd_);
    unlink(SocketPath().c_str());
  }
  if (lockFd_ >= 0) close(lockFd_);  // releases the lock
}

std::filesystem::path SingleInstance::RuntimeFolder() {
  if (const char* xdg = std::getenv("XDG_RUNTIME_DIR"); xdg && *xdg == '/') return xdg;
  std::filesystem::path folder = "/tmp/vesmar-" + std::to_string(getuid());
  mkdir(folder.c_str(), 0700);
  return folder;
}

bool SingleInstance::Acquire() {
  if (lockFd_ >= 0) return true;
  const int fd = open(LockPath().c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return true;  // cannot lock at all: do not keep the user from working
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return false;
  }
  lockFd_ = fd;
  return true;
}

int SingleInstance::Listen() {
  if (listenFd_ >= 0) return listenFd_;
  sockaddr_un addr{};
  if (!FillAddress(SocketPath(), addr)) return -1;
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  unlink(SocketPath().c_str());  // we hold the lock, so any socket file is a leftover
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 || listen(fd, 4) != 0) {
    close(fd);
    return -1;
  }
  listenFd_ = fd;
  return fd;
}

bool SingleInstance::ServeOne(const std::function<bool()>& show) {
  if (listenFd_ < 0) return false;
  const int client = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
  if (client < 0) return false;
  const bool asked = ReadLine(client, 1000) == kRequest;
  if (asked && show && show()) WriteAll(client, kShown);
  close(client);
  return asked;
}

SingleInstance::Answer SingleInstance::AskRunningToShow(int timeoutMs) const {
  sockaddr_un addr{};
  if (!FillAddress(SocketPath(), addr)) return Answer::NoWindow;
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return Answer::NoWindow;
  Answer answer = Answer::NoWindow;
  if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0) {
    WriteAll(fd, kRequest);
    if (ReadLine(fd, timeoutMs) == kShown) answer = Answer::Shown;
  }
  close(fd);
  return answer;
}

}  // namespace vesmar
