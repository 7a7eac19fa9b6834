#include "platform/text.h"

#include <clocale>
#include <cwctype>
#include <locale.h>

namespace vesmar {

namespace {

void AppendUtf16(std::u16string& out, char32_t cp) {
  if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// Decodes one code point at s[i]; returns the number of bytes consumed (at least 1) and sets
// ok=false for an ill-formed subpart (which is then replaced by one U+FFFD).
std::size_t DecodeOne(const unsigned char* s, std::size_t n, std::size_t i, char32_t& cp, bool& ok) {
  const unsigned char b0 = s[i];
  ok = true;
  if (b0 < 0x80) {
    cp = b0;
    return 1;
  }
  std::size_t need;
  unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    need = 1;
    cp = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    need = 2;
    cp = b0 & 0x0F;
    if (b0 == 0xE0) lo = 0xA0;   // no overlong forms
    if (b0 == 0xED) hi = 0x9F;   // no surrogates
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    need = 3;
    cp = b0 & 0x07;
    if (b0 == 0xF0) lo = 0x90;
    if (b0 == 0xF4) hi = 0x8F;   // nothing above U+10FFFF
  } else {
    ok = false;
    return 1;
  }
  std::size_t k = 1;
  for (; k <= need; ++k) {
    if (i + k >= n) {
      ok = false;
      return k;
    }
    const unsigned char b = s[i + k];
    const unsigned char l = (k == 1) ? lo : 0x80;
    const unsigned char h = (k == 1) ? hi : 0xBF;
    if (b < l || b > h) {
      ok = false;
      return k;
    }
    cp = (cp << 6) | (b & 0x3F);
  }
  return k;
}

locale_t Utf8Locale() {
  static locale_t loc = [] {
    locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    if (!l) l = newlocale(LC_CTYPE_MASK, "C", static_cast<locale_t>(0));
    return l;
  }();
  return loc;
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  const auto* s = reinterpret_cast<const unsigned char*>(utf8.data());
  const std::size_t n = utf8.size();
  std::size_t i = 0;
  while (i < n) {
    if (s[i] < 0x80) {  // fast path for ASCII runs
      out.push_back(s[i++]);
      continue;
    }
    char32_t cp = 0;
    bool ok = true;
    const std::size_t used = DecodeOne(s, n, i, cp, ok);
    if (ok) {
      AppendUtf16(out, cp);
    } else {
      out.push_back(kReplacementChar);
    }
    i += used;
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size());
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    char32_t c = utf16[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
        utf16[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = kReplacementChar;
    }
    AppendUtf8(out, c);
  }
  return out;
}

DecodedText DecodeText(const std::uint8_t* bytes, std::size_t length, std::size_t available) {
  DecodedText result;
  if (length > available) return result;  // declared length runs past the data
  result.text = Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(bytes), length));
  result.valid = true;
  const auto& t = result.text;
  if (t.find(kReplacementChar) != std::u16string::npos) result.valid = false;
  const auto nul = t.find(u'\0');
  if (nul != std::u16string::npos && nul + 1 < t.size()) result.valid = false;
  return result;
}

char16_t FoldCase(char16_t c) {
  if (c < 0x80) return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
  if (c >= 0xD800 && c <= 0xDFFF) return c;
  const wint_t lower = towlower_l(static_cast<wint_t>(c), Utf8Locale());
  return lower <= 0xFFFF ? static_cast<char16_t>(lower) : c;
}

std::u16string FoldCase(std::u16string_view text) {
  std::u16string out(text);
  for (auto& c : out) c = FoldCase(c);
  return out;
}

int CompareNoCase(std::u16string_view a, std::u16string_view b) {
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    const char16_t x = FoldCase(a[i]);
    const char16_t y = FoldCase(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool LessNoCase(std::u16string_view a, std::u16string_view b) { return CompareNoCase(a, b) < 0; }

std::string ToLowerAscii(std::string_view text) {
  std::string out(text);
  for (auto& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return out;
}

std::string ToUpperAscii(std::string_view text) {
  std::string out(text);
  for (auto& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return out;
}

std::u16string ToUpperAscii(std::u16string_view text) {
  std::u16string out(text);
  for (auto& c : out)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
  return out;
}

bool EqualsNoCaseAscii(std::string_view a, std::string_view b) {
  return a.size() == b.size() && ToLowerAscii(a) == ToLowerAscii(b);
}

}  // namespace vesmar
