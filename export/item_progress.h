// How the export reports to whoever runs it (the recovery window, the command line, a test).
#pragma once

#include <cstddef>
#include <filesystem>

namespace vesmar {

class IItemProgress {
 public:
  virtual ~IItemProgress() = default;

  // Before the first item: how many items the export will report.
  virtual void OnExportStarted(std::size_t total) { (void)total; }

  // Progress of the item `name` (the file being written). Percent 100 ends the item, with
  // `error` 0 for success or the code of its failure. Returns 0 to go on, 2 when the export is
  // cancelled: the caller stops the item.
  virtual int OnItemProgress(int percent, int error, const std::filesystem::path& name) = 0;

  // True once the user cancelled: no further item is begun.
  virtual bool Cancelled() const { return false; }

  // After the last document was written.
  virtual void OnExportFinished() {}
};

}  // namespace vesmar
