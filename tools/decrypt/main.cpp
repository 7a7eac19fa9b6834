// tool <backup folder> <output folder> <password | ->
// Writes the plain copy of an encrypted backup into the output folder, flat under the hashed
// names, and prints "Count: N" lines as it goes. With "-" the password is the first line of
// standard input.
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "recovery/decryption_contract.h"
#include "tools/decrypt/backup_decryption.h"

namespace {

using namespace vesmar::decryption;

constexpr std::size_t kMaxPasswordInput = 64 * 1024;

// Whole lines in one write each, so a reader never sees a text split by us; a reader that went
// away is not an error worth dying for.
void WriteLine(int fd, const std::string& text) {
  const std::string line = text + "\n";
  std::size_t done = 0;
  while (done < line.size()) {
    const ssize_t n = write(fd, line.data() + done, line.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

class ConsoleReporter : public vesmar::decrypt::DecryptionReporter {
 public:
  void Count(std::uint64_t filesDone) override {
    WriteLine(STDOUT_FILENO, std::string(kCountText) + " " + std::to_string(filesDone));
  }
  void WrongPassword() override { WriteLine(STDOUT_FILENO, kWrongPasswordText); }
  void Warning(const std::string& text) override { WriteLine(STDERR_FILENO, "tool: " + text); }
};

// The first line of standard input, without its line end.
bool ReadPasswordLine(std::string& password) {
  password.clear();
  char c;
  for (;;) {
    const ssize_t n = read(STDIN_FILENO, &c, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0 || c == '\n') break;
    if (password.size() >= kMaxPasswordInput) return false;
    password.push_back(c);
  }
  if (!password.empty() && password.back() == '\r') password.pop_back();
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s <backup folder> <output folder> <password | ->\n", argc > 0 ? argv[0] : "tool");
    return kExitUsage;
  }
  signal(SIGPIPE, SIG_IGN);
  std::string password = argv[3];
  if (password == kPasswordFromInput && !ReadPasswordLine(password)) {
    std::fprintf(stderr, "tool: cannot read the password from standard input\n");
    return kExitUsage;
  }
  ConsoleReporter reporter;
  vesmar::decrypt::DecryptionTotals totals;
  const int rc = vesmar::decrypt::DecryptBackup(argv[1], argv[2], password, reporter, &totals);
  if (rc == kExitOk)
    reporter.Warning("done: " + std::to_string(totals.written) + " files written, " +
                     std::to_string(totals.missing) + " listed but missing, " + std::to_string(totals.failed) +
                     " not decryptable");
  return rc;
}
