// vesmar-cli export: scans a backup folder, selects what was asked for and recovers it into a
// folder with the same tree and documents as the program's Recover action.
#include <csignal>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/backup_opener.h"
#include "cli/commands.h"
#include "cli/progress_display.h"
#include "export/document_template.h"
#include "export/export_job.h"
#include "export/export_progress.h"
#include "platform/file_ops.h"
#include "platform/text.h"
#include "recovery/result_codes.h"
#include "results/scan_results_model.h"

namespace vesmar::cli {

namespace {

namespace fs = std::filesystem;

constexpr const char* kExportUsage =
    "usage: vesmar-cli export <backup-folder> <output-folder> [--password TEXT] [--only-deleted]\n"
    "                         [--category NAME ...]\n"
    "categories: \"Camera Roll\", \"Photo Stream\", \"App Photos\", \"App Videos\", Messages,\n"
    "            \"Messages Attachments\", Contacts, \"Call History\", Notes, WhatsApp,\n"
    "            \"WhatsApp Attachments\" (case and - or _ for blanks do not matter)\n"
    "--password - reads the password from the first line of standard input\n";

struct ExportOptions {
  std::string backup;
  std::string output;
  std::optional<std::string> password;
  bool onlyDeleted = false;
  std::vector<RecoveryCategory> categories;
};

// "call-history", "Call History" and "CALL_HISTORY" all name Call History.
std::optional<RecoveryCategory> CategoryNamed(std::string name) {
  for (char& c : name)
    if (c == '-' || c == '_') c = ' ';
  for (const auto& entry : kCategoryTree)
    if (entry.code != 0 && EqualsNoCaseAscii(name, entry.treeText)) return static_cast<RecoveryCategory>(entry.code);
  return std::nullopt;
}

bool ParseExportOptions(const Args& args, ExportOptions& options) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--only-deleted") {
      options.onlyDeleted = true;
    } else if (a == "--password" && i + 1 < args.size()) {
      options.password = args[++i];
    } else if (a == "--category" && i + 1 < args.size()) {
      const auto category = CategoryNamed(args[++i]);
      if (!category) {
        std::fprintf(stderr, "vesmar-cli: unknown category '%s'\n", args[i].c_str());
        return false;
      }
      options.categories.push_back(*category);
    } else if (!a.empty() && a[0] != '-' && options.backup.empty()) {
      options.backup = a;
    } else if (!a.empty() && a[0] != '-' && options.output.empty()) {
      options.output = a;
    } else {
      return false;
    }
  }
  return !options.backup.empty() && !options.output.empty();
}

void ApplySelection(const ExportOptions& options, CScanResultsModel& model) {
  for (const auto& entry : kCategoryTree) {
    if (entry.code == 0) continue;
    const auto category = static_cast<RecoveryCategory>(entry.code);
    bool wanted = options.categories.empty();
    for (const auto c : options.categories) wanted = wanted || c == category;
    // Files are never deleted records: with --only-deleted they are left out.
    if (options.onlyDeleted && !IsFilterableCategory(category)) wanted = false;
    model.Statistics().SelectCategory(category, wanted);
    if (options.onlyDeleted) model.SetDeletedOnly(category, true);
  }
}

// The export's progress on the terminal, and the failures for the summary.
class TerminalView final : public IExportView {
 public:
  TerminalView() : display_(stderr, false, "Exporting") {}
  void ShowItemProgress(const ItemReport& report, const ExportCounters& counters) override {
    if (report.finished && report.error != 0) failures_.push_back(report.name.string() + ": " + report.status);
    if (counters.total > 0) display_.Show(static_cast<int>(counters.processed * 100 / counters.total));
  }
  void ShowFinished(const ExportCounters&) override { display_.Finish(); }
  const std::vector<std::string>& Failures() const { return failures_; }

 private:
  ProgressDisplay display_;
  std::vector<std::string> failures_;
};

CExportProgress* g_running = nullptr;

// Ctrl-C ends the export the way Cancel does: the documents begun are written with what they
// hold, and no half-copied file is left behind.
extern "C" void CancelExport(int) {
  if (g_running) g_running->Cancel();
}

}  // namespace

int ExportCommand(const Args& args) {
  ExportOptions options;
  if (!ParseExportOptions(args, options) || !ResolvePassword(options.password)) {
    std::fputs(kExportUsage, stderr);
    return kExitUsage;
  }
  ExportTemplates templates;
  const fs::path templateFolder = DefaultTemplateFolder();
  fs::path missing;
  if (LoadExportTemplates(templateFolder, u"", templates, &missing) != 0) {
    std::fprintf(stderr, "vesmar-cli: the document template %s cannot be read\n", missing.c_str());
    return kExitFailure;
  }

  OpenedBackup opened;
  CScanResultsModel model;
  {
    ProgressDisplay progress(stderr);
    std::string why;
    const int rc = OpenBackupFolder(options.backup, options.password, progress, opened, why);
    if (rc == result::kWrongPassword) return kExitWrongPassword;
    if (rc != 0) return kExitFailure;
    if (model.RunScan(*opened.parser) != 0) return kExitFailure;
    progress.Finish();
  }

  ApplySelection(options, model);
  const std::size_t selected = model.Statistics().SelectedVisibleItems();
  if (selected == 0) {
    std::printf("Nothing to export: no item matches the selection.\n");
    return kExitOk;
  }
  const fs::path out = options.output;
  if (!CreateFolders(out)) {
    std::fprintf(stderr, "vesmar-cli: cannot create the output folder %s\n", out.c_str());
    return kExitFailure;
  }
  // The titles name the device, as the backup calls it.
  LoadExportTemplates(templateFolder, opened.entry.displayName, templates);

  TerminalView view;
  CExportProgress progress(&view);
  g_running = &progress;
  const auto previous = std::signal(SIGINT, CancelExport);
  CExportJob job(model, *opened.parser, templates, out);
  const ExportSummary summary = job.Run(progress);
  std::signal(SIGINT, previous);
  g_running = nullptr;

  const ExportCounters counters = progress.Counters();
  for (const auto& failure : view.Failures()) std::fprintf(stderr, "failed: %s\n", failure.c_str());
  std::size_t documentFailures = 0;
  for (const auto& document : summary.documents) {
    if (document.result == 0) continue;
    ++documentFailures;
    std::fprintf(stderr, "failed: %s (error %d)\n", document.path.c_str(), document.result);
  }
  std::printf("%s %zu of %zu item(s) into %s: %zu written, %zu failed\n",
              summary.result == result::kStopped ? "Cancelled after" : "Exported", counters.processed,
              counters.total, out.c_str(), counters.processed - counters.failed, counters.failed);
  if (documentFailures > 0) std::printf("%zu document(s) could not be written\n", documentFailures);
  const bool clean = summary.result == 0 && counters.failed == 0 && documentFailures == 0;
  return clean ? kExitOk : kExitFailure;
}

}  // namespace vesmar::cli
