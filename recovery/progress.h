// Progress reporting of a scan and of single-file operations.
#pragma once

#include <cstdint>
#include <filesystem>

namespace vesmar {

// (user value, percent on the scan's scale) → 0 to go on; any other value stops the running
// operation and becomes its result (the scan view answers 2). Percent may exceed 100.
using ProgressCallback = int (*)(void* user, int percent);

// Per-item report of file copies and text writers: (user value, percent 0-100, status code,
// destination path) → 0 to go on, anything else stops and becomes the result.
using ItemCallback = int (*)(void* user, int percent, int status, const std::filesystem::path& destination);

// Progress of a preview extraction: (user value, percent) → nonzero stops.
using PercentCallback = int (*)(void* user, int percent);

// What a database driver gets from the scan: whether the device runs iOS 12 or later, and the
// means to report its own progress between the scan's points (base + fractions of step).
struct ParseContext {
  std::int32_t newSchema = 0;
  ProgressCallback callback = nullptr;
  void* user = nullptr;
  std::int32_t progressReached = 0;
  std::int32_t stepWidth = 0;

  // Reports `percent` when a callback is set; the callback's answer, else 0.
  int Report(int percent) const { return callback ? callback(user, percent) : 0; }
};

}  // namespace vesmar
