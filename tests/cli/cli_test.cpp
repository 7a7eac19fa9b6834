// Runs the real vesmar-cli executable, as a user or a script would.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>

#include "tests/fixtures/temp_dir.h"

namespace vesmar {
namespace {

namespace fs = std::filesystem;

struct CliRun {
  int status;
  std::string out;
  std::string err;
};

CliRun RunCli(const std::string& args, const fixtures::TempDir& dir) {
  const fs::path errFile = dir / "stderr.txt";
  const std::string command = std::string(VESMAR_CLI_PATH) + " " + args + " 2>" + errFile.string();
  FILE* pipe = popen(command.c_str(), "r");
  CliRun run{-1, {}, {}};
  if (!pipe) return run;
  char buf[4096];
  std::size_t n;
  while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) run.out.append(buf, n);
  const int raw = pclose(pipe);
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  std::ifstream in(errFile);
  run.err.assign(std::istreambuf_iterator<char>(in), {});
  return run;
}

std::string Q(const fs::path& p) { return "'" + p.string() + "'"; }

TEST(CliTest, DemoScanAsJsonHasEveryCategory) {
  fixtures::TempDir dir;
  ASSERT_EQ(RunCli("demo " + Q(dir / "demo"), dir).status, 0);
  const CliRun run = RunCli("scan " + Q(dir / "demo") + " --json", dir);
  ASSERT_EQ(run.status, 0) << run.err;
  const auto doc = nlohmann::json::parse(run.out);
  EXPECT_EQ(doc["result"], 0);
  const char* names[] = {"Camera Roll", "Photo Stream", "App Photos", "App Videos", "Messages",
                         "Messages Attachments", "Contacts", "Call History", "Notes", "WhatsApp",
                         "WhatsApp Attachments"};
  ASSERT_EQ(doc["categories"].size(), std::size(names));
  for (const char* name : names) EXPECT_TRUE(doc["categories"][name].is_array()) << name;
  // Writing the demo a second time into the same folder is refused, never overwrites.
  EXPECT_NE(RunCli("demo " + Q(dir / "demo"), dir).status, 0);
}

TEST(CliTest, TableAndPlainProgressWhenNotATerminal) {
  fixtures::TempDir dir;
  ASSERT_EQ(RunCli("demo " + Q(dir / "demo"), dir).status, 0);
  const CliRun run = RunCli("scan " + Q(dir / "demo"), dir);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("Camera Roll"), std::string::npos);
  EXPECT_NE(run.out.find("WhatsApp Attachments"), std::string::npos);
  EXPECT_NE(run.err.find("progress 100%"), std::string::npos);
}

TEST(CliTest, BadInputGivesAClearMessageAndNonzeroStatus) {
  fixtures::TempDir dir;
  fs::create_directories(dir / "empty");
  std::ofstream(dir / "file.txt") << "x";
  fs::create_directories(dir / "damaged");
  std::ofstream(dir / "damaged" / "Manifest.db") << std::string(3000, 'q');
  fs::create_directories(dir / "damaged-mbdb");
  std::ofstream(dir / "damaged-mbdb" / "Manifest.mbdb") << "nope";

  struct Case {
    std::string args;
    int status;
    std::string says;
  };
  const Case cases[] = {
      {"scan " + Q(dir / "missing"), 1, "no such folder"},
      {"scan " + Q(dir / "file.txt"), 1, "is a file"},
      {"scan " + Q(dir / "empty"), 1, "no manifest"},
      {"scan " + Q(dir / "damaged"), 1, "damaged"},
      {"scan " + Q(dir / "damaged-mbdb"), 1, "no manifest"},
      {"scan", 64, "usage"},
      {"frobnicate", 64, "unknown command"},
  };
  for (const auto& c : cases) {
    const CliRun run = RunCli(c.args, dir);
    EXPECT_EQ(run.status, c.status) << c.args;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << c.args << ": " << run.err;
  }
}

TEST(CliTest, ExportRecoversTheDemoAndRefusesBadArguments) {
  fixtures::TempDir dir;
  ASSERT_EQ(RunCli("demo " + Q(dir / "demo"), dir).status, 0);
  const CliRun run = RunCli("export " + Q(dir / "demo") + " " + Q(dir / "out"), dir);
  ASSERT_EQ(run.status, 0) << run.err;
  std::smatch m;
  if (run.out.find("Nothing to export") == std::string::npos) {
    ASSERT_TRUE(std::regex_search(run.out, m, std::regex(R"(Exported (\d+) of (\d+) item\(s\) into .*: (\d+) written, 0 failed)")))
        << run.out;
    EXPECT_EQ(m[1], m[2]);
    std::size_t files = 0;
    for (const auto& e : fs::recursive_directory_iterator(dir / "out")) files += e.is_regular_file();
    EXPECT_GE(files, std::stoul(m[3]));
  }
  for (const std::string& args : {"export " + Q(dir / "demo"), "export " + Q(dir / "demo") + " x --category Voicemail",
                                  "export " + Q(dir / "demo") + " x --bogus"})
    EXPECT_EQ(RunCli(args, dir).status, 64) << args;
  EXPECT_EQ(RunCli("export " + Q(dir / "none") + " " + Q(dir / "out"), dir).status, 1);
}

}  // namespace
}  // namespace vesmar
