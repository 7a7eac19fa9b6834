// Records every report of an export; can cancel it after a given number of reports.
#pragma once

#include <filesystem>
#include <vector>

#include "export/item_progress.h"

namespace vesmar::testing {

struct RecordingProgress : IItemProgress {
  struct Report {
    int percent;
    int error;
    std::filesystem::path name;
  };
  std::vector<Report> reports;
  std::size_t total = 0;
  int cancelAfter = -1;  // reports answered before the cancel
  bool cancelled = false;
  bool finished = false;

  void OnExportStarted(std::size_t t) override { total = t; }
  int OnItemProgress(int percent, int error, const std::filesystem::path& name) override {
    if (cancelAfter >= 0 && static_cast<int>(reports.size()) >= cancelAfter) cancelled = true;
    if (cancelled) return 2;
    reports.push_back({percent, error, name});
    return 0;
  }
  bool Cancelled() const override { return cancelled; }
  void OnExportFinished() override { finished = true; }

  std::vector<Report> Finished() const {
    std::vector<Report> done;
    for (const auto& r : reports)
      if (r.percent == 100) done.push_back(r);
    return done;
  }
};

}  // namespace vesmar::testing
