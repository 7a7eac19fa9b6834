#include "recovery/decryption_runner.h"

#include <string.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string_view>
#include <system_error>
#include <thread>

#include "platform/file_ops.h"
#include "platform/folders.h"
#include "platform/process.h"
#include "platform/text.h"
#include "recovery/decryption_contract.h"
#include "recovery/result_codes.h"
#include "recovery/working_folders.h"

namespace vesmar {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kReadSize = 4096;
// While the tool is silent (its key derivation takes seconds) the current value is reported
// again this often, so that a stop answer is heard at once.
constexpr int kIdleReportMs = 100;
constexpr int kTerminateGraceMs = 1000;

bool Hidden(const fs::path& name) {
  const std::string text = name.filename().string();
  return text.empty() || text[0] == '.';
}

std::vector<fs::path> ListFolder(const fs::path& folder) {
  std::vector<fs::path> names;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    if (!Hidden(it->path())) names.push_back(it->path());
  return names;
}

// Reads the tool's output as lines: the latest "Count:" value, and whether "Wrong password"
// appeared, also when the text arrives split across reads.
class ToolOutputScanner {
 public:
  void Feed(std::string_view chunk) {
    pending_.append(chunk);
    if (pending_.find(decryption::kWrongPasswordText) != std::string::npos) wrongPassword_ = true;
    std::size_t start = 0;
    for (std::size_t end; (end = pending_.find('\n', start)) != std::string::npos; start = end + 1)
      Line(std::string_view(pending_).substr(start, end - start));
    pending_.erase(0, start);
    // A line without an end is kept only as far as a split marker could reach into it.
    if (pending_.size() > kReadSize) pending_.erase(0, pending_.size() - 64);
  }
  bool WrongPassword() const { return wrongPassword_; }
  bool SawCount() const { return sawCount_; }
  std::uint64_t Count() const { return count_; }

 private:
  void Line(std::string_view line) {
    const auto at = line.find(decryption::kCountText);
    if (at == std::string_view::npos) return;
    sawCount_ = true;
    std::uint64_t value = 0;
    std::size_t i = at + std::string_view(decryption::kCountText).size();
    while (i < line.size() && line[i] == ' ') ++i;
    for (; i < line.size() && line[i] >= '0' && line[i] <= '9' && value < (1ull << 60); ++i)
      value = value * 10 + static_cast<std::uint64_t>(line[i] - '0');
    count_ = value;
  }

  std::string pending_;
  bool wrongPassword_ = false;
  bool sawCount_ = false;
  std::uint64_t count_ = 0;
};

// The copy that is run replaces the older one atomically: a copy still running elsewhere keeps
// its file, and two programs refreshing at once never write into the same file.
void RefreshToolCopy(const DecryptionToolPaths& tool) {
  const fs::path fresh = tool.copy.string() + ".new-" + std::to_string(getpid());
  if (CopyFileReplacing(tool.source, fresh) != 0) {
    DeleteFileIfPresent(fresh);
    return;  // an earlier copy, if any, is run
  }
  std::error_code ec;
  fs::permissions(fresh, fs::perms::owner_all, fs::perm_options::replace, ec);
  fs::rename(fresh, tool.copy, ec);
  if (ec) DeleteFileIfPresent(fresh);
}

// The output folder holds the user's data in plain text: only the user may read it, and nothing
// of an earlier run may mix with this one.
bool PrepareOutputFolder(const fs::path& folder) {
  if (folder.empty() || !CreateFolders(folder)) return false;
  std::error_code ec;
  fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace, ec);
  DeleteFilesIn(folder);
  return true;
}

int ResultOfExit(int status) {
  switch (status) {
    case decryption::kExitOk:
      return result::kOk;
    case decryption::kExitWrongPassword:
      return result::kWrongPassword;
    case decryption::kExitCannotWrite:
      return kDecryptionOutputFailed;
    default:
      return kDecryptionFailed;
  }
}

class ToolRun {
 public:
  ToolRun(ScanSession& session, std::uint64_t fileCount) : session_(session), fileCount_(std::max<std::uint64_t>(fileCount, 1)) {}

  // Reads the tool's output until it ends. 0, -110, or the answer of a report that asked to stop.
  int Follow(ChildProcess& child) {
    for (;;) {
      std::string chunk;
      const auto status = child.ReadOutput(chunk, kReadSize, kIdleReportMs);
      if (status == ChildProcess::ReadStatus::Timeout) {
        if (const int answer = session_.Report(Current())) return answer;
        continue;
      }
      if (status != ChildProcess::ReadStatus::Data) return result::kOk;
      output_.Feed(chunk);
      if (output_.WrongPassword()) return result::kWrongPassword;
      if (output_.SawCount() && session_.progressReached == 0) {
        session_.progressReached = 1;
        if (const int answer = session_.Report(1)) return answer;
      }
      if (const int answer = session_.Report(Current())) return answer;
    }
  }

  // Waits for the tool to end after its output closed, still answering a stop.
  int AwaitExit(ChildProcess& child, int& exitStatus) {
    auto lastReport = std::chrono::steady_clock::now();
    for (;;) {
      if (const auto status = child.TryWait()) {
        exitStatus = *status;
        return result::kOk;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      if (std::chrono::steady_clock::now() - lastReport >= std::chrono::milliseconds(kIdleReportMs)) {
        lastReport = std::chrono::steady_clock::now();
        if (const int answer = session_.Report(Current())) return answer;
      }
    }
  }

 private:
  int Current() const {
    const std::uint64_t done = std::min(output_.Count(), fileCount_);
    return session_.progressReached + static_cast<int>(static_cast<std::int64_t>(session_.stepWidth) *
                                                       static_cast<std::int64_t>(done) /
                                                       static_cast<std::int64_t>(fileCount_));
  }

  ScanSession& session_;
  std::uint64_t fileCount_;
  ToolOutputScanner output_;
};

}  // namespace

DecryptionToolPaths DefaultDecryptionToolPaths() {
  DecryptionToolPaths paths;
  paths.source = ProgramFolder() / "tool";
  paths.copy = AppFolder() / "tool";
  if (!TempBackupRoot().empty()) paths.output = TempBackupRoot() / kDecryptionFolderName;
  return paths;
}

std::uint64_t CountBackupFiles(const fs::path& folder) {
  std::uint64_t count = 0;
  for (const auto& entry : ListFolder(folder)) {
    if (FolderExists(entry)) {
      count += ListFolder(entry).size();
    } else {
      ++count;
    }
  }
  return count;
}

int RunDecryptionTool(const DecryptionToolPaths& tool, const fs::path& backupFolder,
                      const std::u16string& password, ScanSession& session, DecryptionOutput& output) {
  output = {};
  const std::uint64_t fileCount = CountBackupFiles(backupFolder);
  CreateFolders(tool.copy.parent_path());
  RefreshToolCopy(tool);
  if (!PrepareOutputFolder(tool.output)) return kDecryptionOutputFailed;

  ChildProcess child;
  if (child.Start(tool.copy, {backupFolder.string(), tool.output.string(), decryption::kPasswordFromInput}) != 0)
    return result::kInvalid;
  std::string input = Utf16ToUtf8(password) + "\n";
  child.SendInputAndClose(input);
  explicit_bzero(input.data(), input.size());

  ToolRun run(session, fileCount);
  int rc = run.Follow(child);
  int exitStatus = 0;
  if (rc == result::kOk) rc = run.AwaitExit(child, exitStatus);
  if (rc == result::kOk) {
    rc = ResultOfExit(exitStatus);
  } else {
    child.Terminate(kTerminateGraceMs);
  }
  session.Report(session.progressReached + session.stepWidth);

  if (rc == result::kOk) {
    output.folder = tool.output;
    output.files = ListFolder(tool.output);
  } else {
    DeleteFilesIn(tool.output);  // partial plain copies of a stopped or failed run
  }
  return rc;
}

int RunDecryptionTool(const fs::path& backupFolder, const std::u16string& password, ScanSession& session,
                      DecryptionOutput& output) {
  return RunDecryptionTool(DefaultDecryptionToolPaths(), backupFolder, password, session, output);
}

}  // namespace vesmar
