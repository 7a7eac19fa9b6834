#include <cstdio>
#include <iostream>
#include <optional>

#include "cli/backup_opener.h"
#include "cli/commands.h"
#include "cli/json_records.h"
#include "cli/progress_display.h"
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
    "       vesmar-cli scan --device [--password TEXT] [--json]\n"
    "       --password - reads the password from the first line of standard input\n";

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
  if (!ParseScanOptions(args, options) || !ResolvePassword(options.password)) {
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
  ProgressDisplay progress(stderr);
  OpenedBackup opened;
  std::string why;
  const int rc = OpenBackupFolder(options.folder, options.password, progress, opened, why);
  ScanResults results;
  if (rc != 0) {
    if (options.json) {
      auto doc = ScanResultsJson(rc, results);
      doc["error"] = why;
      std::cout << doc.dump(2) << '\n';
    }
    return rc == result::kWrongPassword ? kExitWrongPassword : kExitFailure;
  }

  const int scanned = RunCategorySteps(*opened.parser, results);
  progress.Finish();
  if (options.json) {
    std::cout << ScanResultsJson(scanned, results).dump(2) << '\n';
  } else {
    PrintTable(results);
  }
  return scanned == 0 ? kExitOk : kExitFailure;
}

}  // namespace vesmar::cli
