// The call history driver: the live and deleted calls of the call database, each with the name
// the address book gives its number, in date order.
#pragma once

#include <filesystem>
#include <vector>

#include "sqlite_recovery/records.h"

namespace vesmar {

// Replaces `calls` with the calls of `callHistory`: table ZCALLRECORD when SQLite can query it,
// else the older table call. `ios12OrLater` picks the ZCALLRECORD layout. A call whose number is
// longer than 4 characters takes the name of the first raw address-book row whose phones contain
// the number; the calls are sorted by date (stable).
//
// Result: 0; SQLite's code when it cannot open the call database, or the page reader's open code
// (no calls either way); otherwise the calls are delivered and the result is the address book's
// open code (calls without names) or the first failed read, else 0.
int RecoverCalls(const std::filesystem::path& callHistory, const std::filesystem::path& addressBook,
                 bool ios12OrLater, std::vector<CallRecord>& calls);

}  // namespace vesmar
