// English texts used where the language tables give none: the command line, the tests, and a
// window whose language file lacks a key. The windows pass the language table's text instead
// (the same texts stand in Languages/English.ini).
#pragma once

#include <string_view>

namespace vesmar::default_text {

// Statistics line: selected size, selected items, total size, total items.
inline constexpr std::u16string_view kStatisticsLine = u"You select %s in %d item(s) of %s in %d item(s)";
// Recovery window: progress prefix ("%s %d%%" of it and the percent).
inline constexpr std::u16string_view kRecoverProgress = u"Recovering";
// Recovery window: processed, total, recovered, failed.
inline constexpr std::u16string_view kRecovered = u"Processed %d of %d item(s): %d recovered, %d failed";

}  // namespace vesmar::default_text
