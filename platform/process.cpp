#include "platform/process.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

extern char** environ;

namespace vesmar {

namespace {

constexpr int kInputWriteTimeoutMs = 2000;

int StatusOf(int raw) {
  if (WIFEXITED(raw)) return WEXITSTATUS(raw);
  if (WIFSIGNALED(raw)) return 128 + WTERMSIG(raw);
  return 128;
}

void CloseFd(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

// Blocks SIGPIPE for the calling thread while alive; a SIGPIPE raised meanwhile by our own write
// is taken back so it never reaches the process.
class SigpipeGuard {
 public:
  SigpipeGuard() {
    sigemptyset(&pipeSet_);
    sigaddset(&pipeSet_, SIGPIPE);
    sigset_t pending;
    sigpending(&pending);
    wasPending_ = sigismember(&pending, SIGPIPE) == 1;
    pthread_sigmask(SIG_BLOCK, &pipeSet_, &old_);
  }
  ~SigpipeGuard() {
    if (raised_ && !wasPending_) {
      const timespec zero{};
      while (sigtimedwait(&pipeSet_, nullptr, &zero) == -1 && errno == EINTR) {
      }
    }
    pthread_sigmask(SIG_SETMASK, &old_, nullptr);
  }
  void Raised() { raised_ = true; }

 private:
  sigset_t pipeSet_{}, old_{};
  bool wasPending_ = false;
  bool raised_ = false;
};

}  // namespace

ChildProcess::~ChildProcess() {
  CloseInput();
  CloseOutput();
  if (Started() && !exitStatus_) Terminate(500);
}

void ChildProcess::CloseInput() { CloseFd(inputFd_); }
void ChildProcess::CloseOutput() { CloseFd(outputFd_); }

int ChildProcess::Start(const std::filesystem::path& program, const std::vector<std::string>& args) {
  if (Started()) return EBUSY;
  int in[2], out[2];
  if (pipe2(in, O_CLOEXEC) != 0) return errno;
  if (pipe2(out, O_CLOEXEC) != 0) {
    const int err = errno;
    close(in[0]);
    close(in[1]);
    return err;
  }

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDERR_FILENO);
  posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);

  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t none, defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  for (const int sig : {SIGPIPE, SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGCHLD}) sigaddset(&defaults, sig);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setpgroup(&attr, 0);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  const std::string path = program.string();
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(path.c_str()));
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  pid_t pid = -1;
  const int rc = posix_spawn(&pid, path.c_str(), &actions, &attr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  close(in[0]);
  close(out[1]);
  if (rc != 0) {
    close(in[1]);
    close(out[0]);
    return rc;
  }
  pid_ = pid;
  inputFd_ = in[1];
  outputFd_ = out[0];
  exitStatus_.reset();
  fcntl(inputFd_, F_SETFL, fcntl(inputFd_, F_GETFL) | O_NONBLOCK);
  return 0;
}

bool ChildProcess::SendInputAndClose(std::string_view bytes) {
  if (inputFd_ < 0) return false;
  bool ok = true;
  {
    SigpipeGuard guard;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kInputWriteTimeoutMs);
    while (!bytes.empty()) {
      const ssize_t n = write(inputFd_, bytes.data(), bytes.size());
      if (n > 0) {
        bytes.remove_prefix(static_cast<std::size_t>(n));
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno == EAGAIN && std::chrono::steady_clock::now() < deadline) {
        pollfd p{inputFd_, POLLOUT, 0};
        poll(&p, 1, 50);
        continue;
      }
      if (n < 0 && errno == EPIPE) guard.Raised();
      ok = false;
      break;
    }
  }
  CloseInput();
  return ok;
}

ChildProcess::ReadStatus ChildProcess::ReadOutput(std::string& into, std::size_t maxBytes, int timeoutMs) {
  if (outputFd_ < 0) return ReadStatus::End;
  pollfd p{outputFd_, POLLIN, 0};
  const int ready = poll(&p, 1, timeoutMs);
  if (ready == 0 || (ready < 0 && errno == EINTR)) return ReadStatus::Timeout;
  if (ready < 0) return ReadStatus::Error;
  const std::size_t before = into.size();
  into.resize(before + maxBytes);
  ssize_t n;
  do {
    n = read(outputFd_, into.data() + before, maxBytes);
  } while (n < 0 && errno == EINTR);
  into.resize(before + (n > 0 ? static_cast<std::size_t>(n) : 0));
  if (n > 0) return ReadStatus::Data;
  CloseOutput();
  return n == 0 ? ReadStatus::End : ReadStatus::Error;
}

std::optional<int> ChildProcess::TryWait() {
  if (exitStatus_ || !Started()) return exitStatus_;
  int raw = 0;
  pid_t r;
  do {
    r = waitpid(pid_, &raw, WNOHANG);
  } while (r < 0 && errno == EINTR);
  if (r == pid_) {
    exitStatus_ = StatusOf(raw);
  } else if (r < 0) {
    exitStatus_ = 128;  // not our child any more (reaped elsewhere)
  }
  return exitStatus_;
}

int ChildProcess::Terminate(int graceMs) {
  if (!Started()) return 128;
  if (const auto status = TryWait()) return *status;
  kill(-pid_, SIGTERM);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(graceMs);
  while (std::chrono::steady_clock::now() < deadline) {
    if (const auto status = TryWait()) return *status;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  kill(-pid_, SIGKILL);
  int raw = 0;
  pid_t r;
  do {
    r = waitpid(pid_, &raw, 0);
  } while (r < 0 && errno == EINTR);
  exitStatus_ = r == pid_ ? StatusOf(raw) : 128;
  return *exitStatus_;
}

}  // namespace vesmar
