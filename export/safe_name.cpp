#include "export/safe_name.h"

#include "platform/text.h"

namespace vesmar {

namespace {

bool IsRefused(char16_t c) {
  if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0)) return true;
  switch (c) {
    case u'/': case u'\\': case u':': case u'*': case u'?': case u'"': case u'<': case u'>': case u'|':
      return true;
    default:
      return false;
  }
}

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c < 0xDC00; }

// Keeps the longest prefix of `text` whose UTF-8 form fits `bytes`, never splitting a pair.
std::u16string FitPrefix(std::u16string_view text, std::size_t bytes) {
  std::size_t used = 0, i = 0;
  while (i < text.size()) {
    const bool pair = IsHighSurrogate(text[i]) && i + 1 < text.size();
    const std::size_t units = pair ? 2 : 1;
    const std::size_t cost = Utf16ToUtf8(text.substr(i, units)).size();
    if (used + cost > bytes) break;
    used += cost;
    i += units;
  }
  return std::u16string(text.substr(0, i));
}

}  // namespace

std::u16string SafeFileName(std::u16string_view name, std::u16string_view fallback) {
  std::u16string safe;
  safe.reserve(name.size());
  for (const char16_t c : name) safe += IsRefused(c) ? u'_' : c;
  if (safe.empty()) safe = fallback.empty() ? u"_" : std::u16string(fallback);
  if (safe.find_first_not_of(u'.') == std::u16string::npos) return u"_";
  if (Utf16ToUtf8(safe).size() <= kMaxNameBytes) return safe;

  // Shorten the stem and keep a short extension, so the file still opens with its program.
  const auto dot = safe.rfind(u'.');
  std::u16string extension;
  if (dot != std::u16string::npos && dot > 0 && safe.size() - dot <= 16) extension = safe.substr(dot);
  const std::size_t extensionBytes = Utf16ToUtf8(extension).size();
  std::u16string stem = safe.substr(0, safe.size() - extension.size());
  return FitPrefix(stem, kMaxNameBytes - extensionBytes) + extension;
}

std::filesystem::path PathOf(std::u16string_view text) { return std::filesystem::path(Utf16ToUtf8(text)); }

}  // namespace vesmar
