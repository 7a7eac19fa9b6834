// Starting a program without a shell: what it inherits, how its end is reported, and that a
// child that stops reading cannot take us down with SIGPIPE.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include "platform/process.h"

namespace vesmar {
namespace {

std::string ReadAll(ChildProcess& child) {
  std::string out;
  while (child.ReadOutput(out, 4096, 5000) == ChildProcess::ReadStatus::Data) {
  }
  return out;
}

TEST(ChildProcessTest, OutputExitStatusAndInheritedDescriptors) {
  // A descriptor of ours without close-on-exec must still not reach the child.
  const int opened = open("/dev/null", O_RDONLY);
  const int stray = fcntl(opened, F_DUPFD, 50);
  close(opened);
  ASSERT_GE(stray, 50);
  ChildProcess child;
  ASSERT_EQ(child.Start("/bin/sh", {"-c", "echo out; echo err >&2; ls /proc/self/fd; exit 7"}), 0);
  const std::string out = ReadAll(child);
  close(stray);
  EXPECT_NE(out.find("out\n"), std::string::npos);
  EXPECT_NE(out.find("err\n"), std::string::npos);
  // ls lists 0, 1, 2 and the descriptor of the folder it reads, nothing of ours.
  EXPECT_EQ(out.find("\n" + std::to_string(stray) + "\n"), std::string::npos) << out;
  EXPECT_EQ(child.Terminate(1000), 7);

  ChildProcess killed;
  ASSERT_EQ(killed.Start("/bin/sh", {"-c", "kill -TERM $$"}), 0);
  ReadAll(killed);
  EXPECT_EQ(killed.Terminate(1000), 128 + SIGTERM);

  ChildProcess missing;
  EXPECT_NE(missing.Start("/nonexistent/tool", {}), 0);
}

TEST(ChildProcessTest, InputToAChildThatClosedItIsRefusedQuietly) {
  ChildProcess child;
  ASSERT_EQ(child.Start("/bin/sh", {"-c", "exec 0<&-; echo closed; sleep 0.3"}), 0);
  std::string out;
  ASSERT_EQ(child.ReadOutput(out, 4096, 5000), ChildProcess::ReadStatus::Data);
  // Larger than a pipe holds, so the write must meet the closed end.
  EXPECT_FALSE(child.SendInputAndClose(std::string(1 << 20, 'x')));
  ReadAll(child);
  EXPECT_EQ(child.Terminate(2000), 0);  // we are still here, and the child ended on its own
}

}  // namespace
}  // namespace vesmar
