// Ending processes by exact name, and the single-instance lock with its show request.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/single_instance.h"
#include "platform/terminate_by_name.h"
#include "tests/fixtures/temp_dir.h"

extern char** environ;

namespace vesmar {
namespace {
using fixtures::TempDir;

pid_t StartSleeper(const std::filesystem::path& program) {
  std::string path = program.string();
  std::string seconds = "30";
  char* argv[] = {path.data(), seconds.data(), nullptr};
  pid_t pid = 0;
  return posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv, environ) == 0 ? pid : -1;
}

TEST(TerminateByName, EndsOnlyProcessesOfThatExactName) {
  TempDir dir;
  const auto exact = dir.path() / "vsm-player";
  const auto longer = dir.path() / "vsm-player1";
  std::filesystem::copy_file("/bin/sleep", exact);
  std::filesystem::copy_file("/bin/sleep", longer);
  const pid_t a = StartSleeper(exact);
  const pid_t b = StartSleeper(longer);
  ASSERT_GT(a, 0);
  ASSERT_GT(b, 0);
  // The kernel names the process once it has started the program.
  for (int i = 0; i < 100 && TerminateProcessesByName("vsm-player") == 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  int status = 0;
  ASSERT_EQ(waitpid(a, &status, 0), a);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
  EXPECT_EQ(waitpid(b, &status, WNOHANG), 0);  // "vsm-player1" still runs
  EXPECT_EQ(TerminateProcessesByName("vsm-player1"), 1);
  waitpid(b, &status, 0);
  EXPECT_EQ(TerminateProcessesByName(""), 0);
}

TEST(SingleInstance, SecondStartIsAnsweredOnlyOnceTheFirstListens) {
  TempDir dir;
  SingleInstance first("app", dir.path());
  ASSERT_TRUE(first.Acquire());
  SingleInstance second("app", dir.path());
  EXPECT_FALSE(second.Acquire());
  EXPECT_EQ(second.AskRunningToShow(100), SingleInstance::Answer::NoWindow);

  ASSERT_GE(first.Listen(), 0);
  int shown = 0;
  std::thread server([&] { first.ServeOne([&] { return ++shown == 1; }); });
  EXPECT_EQ(second.AskRunningToShow(3000), SingleInstance::Answer::Shown);
  server.join();
  EXPECT_EQ(shown, 1);

  // A first instance without a window to show answers nothing.
  std::thread refusing([&] { first.ServeOne([] { return false; }); });
  EXPECT_EQ(second.AskRunningToShow(3000), SingleInstance::Answer::NoWindow);
  refusing.join();
}

TEST(SingleInstance, LockIsFreedWithItsHolder) {
  TempDir dir;
  {
    SingleInstance first("app", dir.path());
    ASSERT_TRUE(first.Acquire());
    ASSERT_GE(first.Listen(), 0);
  }
  SingleInstance next("app", dir.path());
  EXPECT_TRUE(next.Acquire());
  EXPECT_FALSE(std::filesystem::exists(next.SocketPath()));
}

}  // namespace
}  // namespace vesmar
