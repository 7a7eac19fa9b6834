// Record text put into HTML documents and the print page: escaped, so that a message holding
// markup or script shows as text and never runs when the page is opened.
#pragma once

#include <string>
#include <string_view>

namespace vesmar {

// UTF-8 with & < > " ' and { written as character references.
std::string HtmlEscape(std::u16string_view text);

// The same, with every line break (CR LF, LF or CR) written as "<br />".
std::string HtmlEscapeBreaks(std::u16string_view text);

// Replaces every occurrence of `from` in `text`.
void ReplaceAll(std::string& text, std::string_view from, std::string_view to);

}  // namespace vesmar
