// The runner against stand-in tools (shell scripts) that show exactly what it passes, reads and
// does: arguments, the password on standard input, progress, wrong password, stop, failures.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>

#include "platform/text.h"
#include "recovery/decryption_runner.h"
#include "recovery/result_codes.h"
#include "tests/decrypt/support.h"
#include "tests/fixtures/progress_recorder.h"
#include "tests/fixtures/temp_dir.h"

namespace vesmar {
namespace {

namespace fs = std::filesystem;
using namespace testing_support;

using Recorder = fixtures::ProgressRecorder;

// A stand-in tool that records its arguments and standard input into `record/`, then runs `body`.
class FakeTool {
 public:
  explicit FakeTool(const std::string& body, const std::string& backupName = "backup") {
    fs::create_directories(dir_ / "record");
    fs::create_directories(dir_ / backupName);
    backup_ = dir_ / backupName;
    const std::string rec = (dir_ / "record").string();
    WriteFile(dir_ / "fake-tool", "#!/bin/sh\n"
                                  "printf '%s' \"$#\" > '" + rec + "/argc'\n"
                                  "printf '%s' \"$1\" > '" + rec + "/arg1'\n"
                                  "printf '%s' \"$2\" > '" + rec + "/arg2'\n"
                                  "printf '%s' \"$3\" > '" + rec + "/arg3'\n"
                                  "cat > '" + rec + "/stdin'\n"
                                  "REC='" + rec + "'\n" + body + "\n");
    fs::permissions(dir_ / "fake-tool", fs::perms::owner_all);
    paths_.source = dir_ / "fake-tool";
    paths_.copy = dir_ / "app" / "tool";
    paths_.output = dir_ / "temp root" / "VesmarBackupPath";
  }

  int Run(const std::u16string& password, Recorder& recorder, DecryptionOutput& output, int progressReached = 0) {
    ScanSession session;
    session.callback = &Recorder::Callback;
    session.user = &recorder;
    session.progressReached = progressReached;
    session.stepWidth = 10;
    return RunDecryptionTool(paths_, backup_, password, session, output);
  }
  std::string Recorded(const char* name) const { return ReadFile(dir_ / "record" / name); }
  const fs::path& backup() const { return backup_; }
  DecryptionToolPaths& paths() { return paths_; }

 private:
  fixtures::TempDir dir_;
  fs::path backup_;
  DecryptionToolPaths paths_;
};

TEST(DecryptionRunnerTest, ArgumentsAndPasswordReachTheToolIntact) {
  const std::u16string passwords[] = {u"", u"pass word", u"with \"quotes\" and 'apostrophes'", u"p\u00e4ss\u20ac"};
  for (const auto& password : passwords) {
    FakeTool tool("echo data > \"$2/0123456789012345678901234567890123456789\"; touch \"$2/.hidden\"",
                  "my backups/iPhone 'x'");
    Recorder recorder;
    DecryptionOutput output;
    ASSERT_EQ(tool.Run(password, recorder, output), result::kOk);
    EXPECT_EQ(tool.Recorded("argc"), "3");
    EXPECT_EQ(tool.Recorded("arg1"), tool.backup().string());
    EXPECT_EQ(tool.Recorded("arg2"), tool.paths().output.string());
    // The password never shows on the command line.
    EXPECT_EQ(tool.Recorded("arg3"), "-");
    EXPECT_EQ(tool.Recorded("stdin"), Utf16ToUtf8(password) + "\n");
    EXPECT_EQ(output.folder, tool.paths().output);
    ASSERT_EQ(output.files.size(), 1u);
    EXPECT_EQ(output.files[0].filename(), "0123456789012345678901234567890123456789");
    EXPECT_EQ(fs::status(output.folder).permissions() & fs::perms::all, fs::perms::owner_all);
  }
}

TEST(DecryptionRunnerTest, BackupFileCountSkipsHiddenNames) {
  fixtures::TempDir dir;
  for (int i = 0; i < 6; ++i) WriteFile(dir / ("f" + std::to_string(i)), "");
  for (const char* name : {"ab/1", "ab/2", "cd/3", "cd/.hidden", ".git/x", ".DS_Store"}) WriteFile(dir / name, "");
  fs::create_directories(dir / "ef");
  EXPECT_EQ(CountBackupFiles(dir.path()), 9u);
}

// 250 of 1000 counted files with a step of 10 from progress 1 is 3; the run ends at 11.
TEST(DecryptionRunnerTest, CountLinesDriveProgress) {
  FakeTool tool("echo 'Count: 0'; sleep 0.2; printf 'tool: some file: listed but missing\\nCount: 250\\n'; sleep 0.2");
  for (int i = 0; i < 1000; ++i) WriteFile(tool.backup() / (std::to_string(i)), "");
  Recorder recorder;
  DecryptionOutput output;
  ASSERT_EQ(tool.Run(u"pw", recorder, output), result::kOk);
  ASSERT_GE(recorder.reports.size(), 3u);
  EXPECT_EQ(recorder.reports.back(), 11);
  const auto first1 = std::find(recorder.reports.begin(), recorder.reports.end(), 1);
  ASSERT_NE(first1, recorder.reports.end());
  EXPECT_TRUE(std::all_of(recorder.reports.begin(), first1, [](int p) { return p == 0; }));
  const auto first3 = std::find(first1, recorder.reports.end(), 3);
  ASSERT_NE(first3, recorder.reports.end());
  EXPECT_TRUE(std::all_of(first1, first3, [](int p) { return p == 1; }));
  EXPECT_TRUE(std::all_of(first3, recorder.reports.end() - 1, [](int p) { return p == 3; }));
}

// How the tool's end maps to a result; a failed run leaves no plain copy behind.
TEST(DecryptionRunnerTest, ToolOutcomes) {
  struct Case {
    const char* body;
    int result;
  } cases[] = {
      {"exit 0", result::kOk},
      {"echo 'Wrong password'; sleep 10", result::kWrongPassword},  // not waited for
      {"printf 'Wrong pa'; sleep 0.3; printf 'ssword\\n'; sleep 10", result::kWrongPassword},
      {"exit 2", result::kWrongPassword},
      {"echo x > \"$2/partial\"; exit 3", kDecryptionFailed},
      {"echo x > \"$2/partial\"; exit 4", kDecryptionOutputFailed},
      {"echo x > \"$2/partial\"; kill -9 $$", kDecryptionFailed},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.body);
    FakeTool tool(c.body);
    Recorder recorder;
    DecryptionOutput output;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(tool.Run(u"pw", recorder, output), c.result);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    if (c.result != result::kOk) {
      EXPECT_TRUE(output.folder.empty());
      EXPECT_TRUE(fs::is_empty(tool.paths().output));
    }
  }
}

// A stop during the silent key derivation is heard at once: the tool is ended, not left running,
// and what it wrote is deleted.
TEST(DecryptionRunnerTest, StopEndsTheTool) {
  FakeTool tool("echo $$ > \"$REC/pid\"; echo x > \"$2/partial\"; exec sleep 30");
  Recorder recorder;
  recorder.stopFromReport = 3;
  DecryptionOutput output;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(tool.Run(u"pw", recorder, output), result::kStopped);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
  const pid_t pid = static_cast<pid_t>(std::stol(tool.Recorded("pid")));
  EXPECT_NE(kill(pid, 0), 0);  // ended and reaped
  EXPECT_TRUE(fs::is_empty(tool.paths().output));
}

TEST(DecryptionRunnerTest, MissingToolCannotStartButAnEarlierCopyRuns) {
  FakeTool tool("exit 0");
  Recorder recorder;
  DecryptionOutput output;
  const fs::path shipped = tool.paths().source;
  tool.paths().source = shipped.string() + ".absent";
  EXPECT_EQ(tool.Run(u"pw", recorder, output), result::kInvalid);

  tool.paths().source = shipped;
  ASSERT_EQ(tool.Run(u"pw", recorder, output), result::kOk);  // leaves a copy in the app folder
  fs::remove(shipped);
  EXPECT_EQ(tool.Run(u"pw", recorder, output), result::kOk);
}

}  // namespace
}  // namespace vesmar
