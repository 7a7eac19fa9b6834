#include <cstdio>
#include <iostream>
#include <optional>

#include "cli/commands.h"
#include "cli/json_records.h"
#include "cli/open_messages.h"
#include "cli/progress_display.h"
#include "platform/file_ops.h"
#include "platform/text.h"
#include "recovery/backup_catalogue.h"
#include "recovery/parser_factory.h"
#include "recovery/result_codes.h"
#include "recovery/scan_run.h"

namespace vesmar::cli {

namespace {

struct ScanOptions {
  std::string folder;
  std::optional<std::string> password;
  bool json = false;
  bool device = false;
};

constexpr const char* kScanUsage =
    "usage: vesmar-cli scan <backup-folder> [--password TEXT] [--json]\n"
    "       vesmar-cli scan --device [--password TEXT] [--json]\n";

bool ParseScanOptions(const Args& args, ScanOptions& options) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--json") {
      options.json = true;
    } else if (a == "--device") {
      options.device = true;
    } else if (a == "--password" && i + 1 < args.size()) {
      options.password = args[++i];
    } else if (!a.empty() && a[0] != '-' && options.folder.empty()) {
      options.folder = a;
    } else {
      return false;
    }
  }
  return options.device ? options.folder.empty() : !options.folder.empty();
}

void PrintTable(const ScanResults& results) {
  std::printf("%-22s %8s %8s\n", "Category", "Live", "Deleted");
  for (const auto& c : CountCategories(results)) std::printf("%-22s %8zu %8zu\n", c.name, c.live, c.deleted);
}

}  // namespace

int ScanCommand(const Args& args) {
  ScanOptions options;
  if (!ParseScanOptions(args, options)) {
    std::fputs(kScanUsage, stderr);
    return kExitUsage;
  }
  if (options.device) {
    ScanResults results;
    int scanned = 0;
    if (const int failed = ScanDevice(options.password, options.json, results, scanned); failed >= 0) return failed;
    if (options.json) {
      std::cout << ScanResultsJson(scanned, results).dump(2) << '\n';
    } else {
      PrintTable(results);
    }
    return scanned == 0 ? kExitOk : kExitFailure;
  }
  const std::filesystem::path folder = options.folder;
  if (!FolderExists(folder)) {
    std::fprintf(stderr, "vesmar-cli: %s: %s\n", folder.c_str(),
                 FileExists(folder) ? "is a file, not a backup folder" : "no such folder");
    return kExitFailure;
  }

  CItunesBackup backup;
  BackupEntry entry;
  if (ReadBackupFolder(folder, entry) != 0) {
    // Info.plist only describes the backup; the manifest decides whether it can be read.
    entry.folder = folder;
    entry.encrypted = static_cast<std::uint8_t>(IsEncryptedBackup(folder));
    std::fprintf(stderr, "vesmar-cli: warning: %s has no readable Info.plist\n", folder.c_str());
  }
  backup.SetEntry(entry);

  auto parser = CreateParser(static_cast<int>(ScanSource::Backup), &backup);
  ProgressDisplay progress(stderr);
  parser->SetProgressCallback(&ProgressDisplay::Callback, &progress);
  if (entry.encrypted) progress.Note("Encrypted backup: deriving the key from the password...");

  const int opened = parser->Open(Utf8ToUtf16(options.password.value_or("")));
  ScanResults results;
  if (opened != 0) {
    progress.Note("");
    const std::string why = OpenFailureText(opened, folder);
    std::fprintf(stderr, "vesmar-cli: %s\n", why.c_str());
    if (options.json) {
      auto doc = ScanResultsJson(opened, results);
      doc["error"] = why;
      std::cout << doc.dump(2) << '\n';
    }
    return opened == result::kWrongPassword ? kExitWrongPassword : kExitFailure;
  }

  const int scanned = RunCategorySteps(*parser, results);
  progress.Finish();
  if (options.json) {
    std::cout << ScanResultsJson(scanned, results).dump(2) << '\n';
  } else {
    PrintTable(results);
  }
  return scanned == 0 ? kExitOk : kExitFailure;
}

}  // namespace vesmar::cli
