#include "cli/progress_display.h"

#include <unistd.h>

#include <algorithm>

namespace vesmar::cli {

ProgressDisplay::ProgressDisplay(std::FILE* out, bool quiet, const char* label)
    : out_(out), quiet_(quiet), terminal_(isatty(fileno(out)) != 0), label_(label) {}

void ProgressDisplay::Show(int percent) {
  if (quiet_) return;
  percent = std::clamp(percent, 0, 99);
  if (percent == last_) return;
  last_ = percent;
  if (terminal_) {
    constexpr int kWidth = 40;
    const int filled = percent * kWidth / 100;
    std::fprintf(out_, "\r%s [%s%s] %3d%%", label_, std::string(filled, '#').c_str(),
                 std::string(kWidth - filled, ' ').c_str(), percent);
  } else {
    std::fprintf(out_, "progress %d%%\n", percent);
  }
  std::fflush(out_);
}

void ProgressDisplay::Note(const std::string& text) {
  if (quiet_) return;
  if (terminal_ && last_ >= 0) std::fputc('\n', out_);
  std::fprintf(out_, "%s\n", text.c_str());
  last_ = -1;
  std::fflush(out_);
}

void ProgressDisplay::Finish() {
  if (quiet_) return;
  if (terminal_) {
    std::fprintf(out_, "\r%s [%s] 100%%\n", label_, std::string(40, '#').c_str());
  } else {
    std::fprintf(out_, "progress 100%%\n");
  }
  std::fflush(out_);
}

int ProgressDisplay::Callback(void* user, int percent) {
  static_cast<ProgressDisplay*>(user)->Show(percent);
  return 0;
}

}  // namespace vesmar::cli
