// Scan progress on the terminal: a bar on a terminal, plain percent lines otherwise (logs, pipes).
#pragma once

#include <cstdio>
#include <string>

namespace vesmar::cli {

class ProgressDisplay {
 public:
  // `label` names the work in front of the bar ("Scanning", "Exporting").
  explicit ProgressDisplay(std::FILE* out, bool quiet = false, const char* label = "Scanning");
  // Shows `percent` (capped at 99 until Finish); redraws only when the value changes.
  void Show(int percent);
  void Note(const std::string& text);  // a line of its own, e.g. "Deriving the backup key..."
  void Finish();

  // Adapter for the recovery ProgressCallback; `user` is a ProgressDisplay*. Always answers 0.
  static int Callback(void* user, int percent);

 private:
  std::FILE* out_;
  bool quiet_;
  bool terminal_;
  const char* label_;
  int last_ = -1;
};

}  // namespace vesmar::cli
