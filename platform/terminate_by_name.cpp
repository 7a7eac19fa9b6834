#include "platform/terminate_by_name.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

namespace vesmar {
namespace {

// The kernel keeps at most 15 bytes of a command name in /proc/<pid>/comm; longer names are
// compared against the executable's file name instead.
constexpr std::size_t kCommLength = 15;

bool NameMatches(const std::filesystem::path& procDir, std::string_view name) {
  if (name.size() <= kCommLength) {
    std::ifstream comm(procDir / "comm");
    std::string line;
    return std::getline(comm, line) && line == name;
  }
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink(procDir / "exe", ec);
  return !ec && exe.filename() == name;
}

}  // namespace

int TerminateProcessesByName(std::string_view name) {
  if (name.empty()) return 0;
  const uid_t me = getuid();
  const pid_t self = getpid();
  int count = 0;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", ec)) {
    const std::string pidText = entry.path().filename().string();
    if (pidText.empty() || !std::isdigit(static_cast<unsigned char>(pidText[0]))) continue;
    const pid_t pid = static_cast<pid_t>(std::stol(pidText));
    struct stat st{};
    if (pid == self || stat(entry.path().c_str(), &st) != 0 || st.st_uid != me) continue;
    if (NameMatches(entry.path(), name) && kill(pid, SIGTERM) == 0) ++count;
  }
  return count;
}

}  // namespace vesmar
