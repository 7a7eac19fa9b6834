// A child program started without a shell: its standard input is a pipe we write, its standard
// output and standard error share one pipe we read.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vesmar {

class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();  // a child still running is terminated and reaped
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts `program` with `args` (argv[1..]) in a process group of its own. It inherits no other
  // descriptor of ours. 0, or the errno value of the failure.
  int Start(const std::filesystem::path& program, const std::vector<std::string>& args);

  // Writes `bytes` to the child's standard input and closes it. False when the child does not
  // take them (it ended, or closed its input); never raises SIGPIPE.
  bool SendInputAndClose(std::string_view bytes);

  enum class ReadStatus { Data, Timeout, End, Error };
  // Waits up to `timeoutMs` for output and appends at most `maxBytes` of it to `into`. End: every
  // writer has closed the pipe (normally: the child ended).
  ReadStatus ReadOutput(std::string& into, std::size_t maxBytes, int timeoutMs);

  // Exit status once the child has ended: its exit code, or 128 + the signal that ended it.
  std::optional<int> TryWait();

  // Asks the child's process group to end (SIGTERM), forces it (SIGKILL) after `graceMs`, and
  // reaps the child. Returns its exit status as TryWait does.
  int Terminate(int graceMs);

  bool Started() const { return pid_ > 0; }

 private:
  void CloseInput();
  void CloseOutput();

  pid_t pid_ = -1;
  int inputFd_ = -1;
  int outputFd_ = -1;
  std::optional<int> exitStatus_;
};

}  // namespace vesmar
