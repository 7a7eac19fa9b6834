#include "export/html_text.h"

#include "platform/text.h"

namespace vesmar {

namespace {

std::string Escape(std::u16string_view text, bool breaks) {
  const std::string utf8 = Utf16ToUtf8(text);
  std::string out;
  out.reserve(utf8.size() + utf8.size() / 8);
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const char c = utf8[i];
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      // Data never forms a template placeholder ("{|person|}") in text that is filled later.
      case '{': out += "&#123;"; break;
      case '\r':
      case '\n':
        if (!breaks) {
          out += c;
          break;
        }
        out += "<br />";
        if (c == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n') ++i;
        break;
      default: out += c;
    }
  }
  return out;
}

}  // namespace

std::string HtmlEscape(std::u16string_view text) { return Escape(text, false); }

std::string HtmlEscapeBreaks(std::u16string_view text) { return Escape(text, true); }

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
  if (from.empty()) return;
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
}

}  // namespace vesmar
