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

// The scan's results as the table or the JSON document; the exit status of the scan.
int PrintResults(const ScanResults& results, int scanned, bool json) {
  if (json) {
    std::cout << JsonText(ScanResultsJson(scanned, results), 2) << '\n';
  } else {
    std::printf("%-22s %8s %8s\n", "Category", "Live", "Deleted");
    for (const auto& c : CountCategories(results)) std::printf("%-22s %8zu %8zu\n", c.name, c.live, c.deleted);
  }
  return scanned == 0 ? kExitOk : kExitFailure;
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
    return PrintResults(results, scanned, options.json);
  }
  ProgressDisplay progress(stderr);
  OpenedBackup opened;
  std::string why;
  const int rc = OpenBackupFolder(options.folder, options.password, progress, opened, why);
  if (rc != 0) {
    if (options.json) std::cout << JsonText(ScanFailureJson(rc, why), 2) << '\n';
    return rc == result::kWrongPassword ? kExitWrongPassword : kExitFailure;
  }

  ScanResults results;
  const int scanned = RunCategorySteps(*opened.parser, results);
  progress.Finish();
  return PrintResults(results, scanned, options.json);
}

}  // namespace vesmar::cli
