// Dates as the records hold them: "YYYY-MM-DD hh:mm:ss" in the computer's local time zone.
// The fixed-width form sorts in time order, which the drivers rely on.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

namespace vesmar {

// Seconds between 1970-01-01 and 2001-01-01 (UTC), the epoch of Apple's databases.
inline constexpr std::int64_t kAppleEpochOffset = 978'307'200;

// Local-time text of a Unix instant.
std::u16string LocalDateText(std::int64_t unixSeconds);

// Local-time text of Apple seconds (since 2001-01-01 UTC).
std::u16string AppleDateText(std::int64_t appleSeconds);

// Apple seconds stored as a double: whole seconds count (the fraction is dropped); a value that
// is not a finite number in range counts as 0.
std::u16string AppleDateTextFromDouble(double appleSeconds);

}  // namespace vesmar
