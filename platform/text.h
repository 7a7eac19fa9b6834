// Text conversion between the program's two text kinds: UTF-8 (narrow) and UTF-16 (wide).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vesmar {

inline constexpr char16_t kReplacementChar = u'\uFFFD';

// UTF-8 to UTF-16. Every ill-formed sequence (stray continuation byte, truncated sequence,
// overlong form, surrogate code point, value above U+10FFFF) becomes one U+FFFD per maximal
// ill-formed subpart, the way current operating systems convert.
std::u16string Utf8ToUtf16(std::string_view utf8);

// UTF-16 to UTF-8. An unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view utf16);

// Database text as stored in a record column. `valid` is false when the bytes were not clean
// UTF-8 (a replacement character appeared), when a NUL stands before the last character, or when
// the declared length runs past the bytes available.
struct DecodedText {
  std::u16string text;
  bool valid = false;
};
DecodedText DecodeText(const std::uint8_t* bytes, std::size_t length, std::size_t available);

// Letter case folding for the case-insensitive sorts and searches of lists shown to the user.
// Folds every letter that has a simple lower-case mapping, not only ASCII.
char16_t FoldCase(char16_t c);
std::u16string FoldCase(std::u16string_view text);
// <0, 0, >0 like a three-way string compare, ignoring letter case.
int CompareNoCase(std::u16string_view a, std::u16string_view b);
bool LessNoCase(std::u16string_view a, std::u16string_view b);

// ASCII-only helpers for narrow texts (keys, hashed names, file extensions).
std::string ToLowerAscii(std::string_view text);
std::string ToUpperAscii(std::string_view text);
std::u16string ToUpperAscii(std::u16string_view text);
bool EqualsNoCaseAscii(std::string_view a, std::string_view b);

}  // namespace vesmar
