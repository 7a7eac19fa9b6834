#include "results/display_texts.h"

#include <cinttypes>
#include <cstdio>

namespace vesmar {

std::string SizeText(std::uint64_t bytes) {
  struct Unit {
    std::uint64_t size;
    const char* name;
  };
  static constexpr Unit kUnits[] = {
      {1ULL << 40, "TB"}, {1ULL << 30, "GB"}, {1ULL << 20, "MB"}, {1ULL << 10, "KB"}};
  char buffer[64];
  for (const auto& unit : kUnits) {
    if (bytes >= unit.size) {
      std::snprintf(buffer, sizeof buffer, "%.2f %s",
                    static_cast<double>(bytes) / static_cast<double>(unit.size), unit.name);
      return buffer;
    }
  }
  std::snprintf(buffer, sizeof buffer, "%" PRIu64 " Bytes", bytes);
  return buffer;
}

std::string DurationText(std::int64_t seconds) {
  char buffer[64];
  if (seconds >= 3600) {
    std::snprintf(buffer, sizeof buffer, "%" PRId64 " Hour %" PRId64 " Min", seconds / 3600,
                  seconds % 3600 / 60);
  } else if (seconds >= 60) {
    std::snprintf(buffer, sizeof buffer, "%" PRId64 " Min %" PRId64 " Sec", seconds / 60, seconds % 60);
  } else {
    std::snprintf(buffer, sizeof buffer, "%" PRId64 " Sec", seconds);
  }
  return buffer;
}

std::string CallDurationText(const CallRecord& call) {
  if (call.duration == 0) return call.incoming ? "Missed" : "Canceled";
  return DurationText(call.duration);
}

const char* CallDirectionText(const CallRecord& call) { return call.incoming ? "Incoming" : "Outgoing"; }

const char* RecordStateText(RecordStatus status) {
  return status == RecordStatus::Deleted ? "Deleted" : "Normal";
}

}  // namespace vesmar
