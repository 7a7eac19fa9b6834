#include "cli/terminal_text.h"

#include "platform/text.h"

namespace vesmar::cli {

std::string TerminalText(std::string_view utf8) {
  std::u16string text = Utf8ToUtf16(utf8);
  for (char16_t& c : text)
    if (c < 0x20 || (c >= 0x7F && c < 0xA0)) c = u'?';
  return Utf16ToUtf8(text);
}

}  // namespace vesmar::cli
