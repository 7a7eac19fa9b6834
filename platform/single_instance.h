// One running instance per user.
//
// The first start holds a lock file (flock) for the life of its process and, once its window
// exists, listens on a local socket beside it. A later start fails to take the lock, connects to
// the socket and asks the first one to show its window; when nobody answers (the first is still
// starting, or has no window any more) the caller tells the user that the program is running.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

namespace vesmar {

class SingleInstance {
 public:
  enum class Answer { Shown, NoWindow };

  // `name` names the lock and socket files inside `folder`.
  SingleInstance(std::string name, std::filesystem::path folder = RuntimeFolder());
  ~SingleInstance();
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  // True when this process is the first: the lock stays held until this object is destroyed.
  bool Acquire();

  // First instance: starts accepting show requests; the descriptor to watch for readability,
  // or -1 on failure.
  int Listen();
  int ListenDescriptor() const { return listenFd_; }

  // First instance, when the listening descriptor is readable: answers one request, calling
  // `show` (which returns whether a window was shown). False when no request could be read.
  bool ServeOne(const std::function<bool()>& show);

  // Later start: asks the running instance to show its window, waiting up to `timeoutMs`.
  Answer AskRunningToShow(int timeoutMs) const;

  // $XDG_RUNTIME_DIR, else a private folder under /tmp made for the current user.
  static std::filesystem::path RuntimeFolder();

  std::filesystem::path LockPath() const { return folder_ / (name_ + ".lock"); }
  std::filesystem::path SocketPath() const { return folder_ / (name_ + ".sock"); }

 private:
  std::string name_;
  std::filesystem::path folder_;
  int lockFd_ = -1;
  int listenFd_ = -1;
};

}  // namespace vesmar
