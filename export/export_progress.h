// The recovery window's side of an export without the window: counts processed and failed
// items, holds the cancel flag, and serialises the reports with the cancel question. The
// window implements IExportView to show what this decides.
#pragma once

#include <atomic>
#include <cstddef>
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>

#include "export/item_progress.h"
#include "results/default_texts.h"

namespace vesmar {

struct ExportCounters {
  std::size_t processed = 0;
  std::size_t failed = 0;
  std::size_t total = 0;
};

struct ItemReport {
  int percent = 0;
  int error = 0;
  std::filesystem::path name;
  bool finished = false;  // percent 100: the item goes into the detail list
  std::string status;     // finished: "Success" or the failure's text
};

class IExportView {
 public:
  virtual ~IExportView() = default;
  // Called on the export's thread with the report lock held: a window posts it on.
  virtual void ShowItemProgress(const ItemReport& report, const ExportCounters& counters) = 0;
  virtual void ShowFinished(const ExportCounters& counters) { (void)counters; }
};

class CExportProgress final : public IItemProgress {
 public:
  explicit CExportProgress(IExportView* view = nullptr) : view_(view) {}

  void OnExportStarted(std::size_t total) override;
  int OnItemProgress(int percent, int error, const std::filesystem::path& name) override;
  bool Cancelled() const override { return cancelled_.load(); }
  void OnExportFinished() override;

  // Holds every further report until released: the window holds it while it asks whether to
  // cancel, so nothing is written while the question is open.
  std::unique_lock<std::mutex> HoldReports() { return std::unique_lock<std::mutex>(lock_); }
  // Cancels the export; takes no lock (safe from a signal handler).
  void Cancel() { cancelled_.store(true); }
  bool Done() const { return done_.load(); }
  ExportCounters Counters() const;

 private:
  IExportView* view_;
  mutable std::mutex lock_;
  std::atomic<bool> cancelled_{false};
  std::atomic<bool> done_{false};
  ExportCounters counters_;
};

// The recovery window's label texts: MSG1101 + " 42%", and MSG1102 filled with processed,
// total, recovered (processed - failed) and failed.
std::u16string RecoverPercentText(int percent, std::u16string_view prefix = default_text::kRecoverProgress);
std::u16string RecoveredCountText(const ExportCounters& counters,
                                  std::u16string_view format = default_text::kRecovered);

}  // namespace vesmar
