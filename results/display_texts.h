// Texts shown for sizes, call durations and record states, shared by the lists, the export
// documents and the print page. These are fixed English texts, not language-table entries.
#pragma once

#include <cstdint>
#include <string>

#include "sqlite_recovery/records.h"

namespace vesmar {

// "1023 Bytes", "1.00 KB", "1.50 MB", "1.00 GB", "2.00 TB" (binary multiples).
std::string SizeText(std::uint64_t bytes);

// "%d Hour %d Min" from 3600 s, "%d Min %d Sec" from 60 s, else "%d Sec" (negative included).
std::string DurationText(std::int64_t seconds);

// The duration cell of a call: "Missed" (incoming) or "Canceled" (outgoing) for 0 s, else the
// duration text.
std::string CallDurationText(const CallRecord& call);

// "Incoming" or "Outgoing".
const char* CallDirectionText(const CallRecord& call);

// "Deleted" or "Normal".
const char* RecordStateText(RecordStatus status);

}  // namespace vesmar
