#include "export/export_progress.h"

#include "export/export_texts.h"
#include "recovery/result_codes.h"
#include "results/message_format.h"

namespace vesmar {

void CExportProgress::OnExportStarted(std::size_t total) {
  std::lock_guard<std::mutex> hold(lock_);
  done_.store(false);
  counters_ = ExportCounters{0, 0, total};
}

int CExportProgress::OnItemProgress(int percent, int error, const std::filesystem::path& name) {
  std::lock_guard<std::mutex> hold(lock_);
  if (cancelled_.load()) return result::kStopped;
  ItemReport report{percent, error, name, percent >= 100, {}};
  if (report.finished) {
    ++counters_.processed;
    if (error != 0) {
      ++counters_.failed;
      report.status = ItemErrorText(error);
    } else {
      report.status = "Success";
    }
  }
  if (view_) view_->ShowItemProgress(report, counters_);
  return result::kOk;
}

void CExportProgress::OnExportFinished() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    if (view_) view_->ShowFinished(counters_);
  }
  done_.store(true);
}

ExportCounters CExportProgress::Counters() const {
  std::lock_guard<std::mutex> hold(lock_);
  return counters_;
}

std::u16string RecoverPercentText(int percent, std::u16string_view prefix) {
  return FormatMessage(u"%s %d%%", {std::u16string(prefix), static_cast<std::int64_t>(percent)});
}

std::u16string RecoveredCountText(const ExportCounters& c, std::u16string_view format) {
  return FormatMessage(format, {static_cast<std::int64_t>(c.processed), static_cast<std::int64_t>(c.total),
                                static_cast<std::int64_t>(c.processed - c.failed),
                                static_cast<std::int64_t>(c.failed)});
}

}  // namespace vesmar
