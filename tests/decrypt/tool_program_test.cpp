// The tool and the command line as programs: what a user, a script or the runner sees.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>

#include <cstdio>
#include <nlohmann/json.hpp>

#include "recovery/decryption_contract.h"
#include "tests/decrypt/support.h"
#include "tests/fixtures/backup_encryptor.h"
#include "tests/fixtures/demo_backup.h"
#include "tests/fixtures/temp_dir.h"

namespace vesmar {
namespace {

namespace fs = std::filesystem;
using namespace testing_support;

struct ProgramRun {
  int status = -1;
  std::string out, err;
};

std::string Q(const fs::path& p) { return "'" + p.string() + "'"; }

// Runs `command` through the shell with `input` on its standard input.
ProgramRun Shell(const std::string& command, const std::string& input, const fixtures::TempDir& dir) {
  WriteFile(dir / "stdin.txt", input);
  const std::string line = command + " <" + Q(dir / "stdin.txt") + " 2>" + Q(dir / "stderr.txt");
  ProgramRun run;
  FILE* pipe = popen(line.c_str(), "r");
  if (!pipe) return run;
  char buf[4096];
  for (std::size_t n; (n = fread(buf, 1, sizeof buf, pipe)) > 0;) run.out.append(buf, n);
  const int raw = pclose(pipe);
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.err = ReadFile(dir / "stderr.txt");
  return run;
}

std::size_t Occurrences(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

// The demo backup, plain and encrypted with the fixture password.
class ToolProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fixtures::WriteDemoBackup(dir / "plain");
    fixtures::EncryptBackup(dir / "plain", dir / "encrypted");
  }
  fixtures::TempDir dir;
};

std::map<fs::path, std::string> ByName(const fs::path& folder) {
  std::map<fs::path, std::string> files;
  for (auto& [path, bytes] : Snapshot(folder)) files[path.filename()] = bytes;
  return files;
}

TEST_F(ToolProgramTest, PasswordFromInputOrArgument) {
  const std::string tool = VESMAR_TOOL_PATH;

  const ProgramRun fromInput = Shell(tool + " " + Q(dir / "encrypted") + " " + Q(dir / "a") + " -", "fixture password\n", dir);
  ASSERT_EQ(fromInput.status, decryption::kExitOk) << fromInput.err;
  const ProgramRun literal = Shell(tool + " " + Q(dir / "encrypted") + " " + Q(dir / "b") + " 'fixture password'", "", dir);
  ASSERT_EQ(literal.status, decryption::kExitOk) << literal.err;
  EXPECT_EQ(ByName(dir / "a"), ByName(dir / "b"));
  // The last line counts every file row of the manifest, stored or not.
  sqlite3* db = nullptr;
  sqlite3_stmt* stmt = nullptr;
  sqlite3_open((dir / "plain" / "Manifest.db").c_str(), &db);
  sqlite3_prepare_v2(db, "SELECT count(*) FROM Files WHERE flags = 1", -1, &stmt, nullptr);
  ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
  const std::string last = "Count: " + std::to_string(sqlite3_column_int(stmt, 0)) + "\n";
  sqlite3_finalize(stmt);
  sqlite3_close(db);
  ASSERT_GE(fromInput.out.size(), last.size());
  EXPECT_EQ(fromInput.out.substr(fromInput.out.size() - last.size()), last);

  const ProgramRun wrong = Shell(tool + " " + Q(dir / "encrypted") + " " + Q(dir / "c") + " -", "fixture\n", dir);
  EXPECT_EQ(wrong.status, decryption::kExitWrongPassword);
  EXPECT_EQ(Occurrences(wrong.out, "Wrong password\n"), 1u);
  EXPECT_EQ(Shell(tool, "", dir).status, decryption::kExitUsage);
}

std::map<std::string, std::size_t> CategorySizes(const std::string& json) {
  std::map<std::string, std::size_t> sizes;
  const auto doc = nlohmann::json::parse(json);
  for (const auto& [name, items] : doc["categories"].items()) sizes[name] = items.size();
  return sizes;
}

// `vesmar-cli scan --password` finds in an encrypted backup what it finds in the plain one.
TEST_F(ToolProgramTest, CommandLineScansEncryptedBackups) {
  const std::string cli = VESMAR_CLI_PATH;

  const ProgramRun plain = Shell(cli + " scan " + Q(dir / "plain") + " --json", "", dir);
  ASSERT_EQ(plain.status, 0) << plain.err;
  const ProgramRun encrypted = Shell(cli + " scan " + Q(dir / "encrypted") + " --json --password 'fixture password'", "", dir);
  ASSERT_EQ(encrypted.status, 0) << encrypted.err;
  EXPECT_NE(encrypted.err.find("deriving the key"), std::string::npos);
  const auto sizes = CategorySizes(plain.out);
  ASSERT_EQ(sizes.size(), 11u);
  EXPECT_GT(sizes.at("Camera Roll"), 0u);
  EXPECT_EQ(CategorySizes(encrypted.out), sizes);

  const ProgramRun fromInput = Shell(cli + " scan " + Q(dir / "encrypted") + " --json --password -", "fixture password\n", dir);
  ASSERT_EQ(fromInput.status, 0) << fromInput.err;
  EXPECT_EQ(CategorySizes(fromInput.out), sizes);

  const ProgramRun wrong = Shell(cli + " scan " + Q(dir / "encrypted") + " --password nope", "", dir);
  EXPECT_EQ(wrong.status, 3);
  EXPECT_NE(wrong.err.find("wrong backup password"), std::string::npos);
  const ProgramRun none = Shell(cli + " scan " + Q(dir / "encrypted"), "", dir);
  EXPECT_EQ(none.status, 3);
  EXPECT_NE(none.err.find("--password"), std::string::npos);
}

}  // namespace
}  // namespace vesmar
