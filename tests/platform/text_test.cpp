#include "platform/text.h"

#include <gtest/gtest.h>

namespace vesmar {
namespace {

struct Utf8Case {
  const char* name;
  std::string bytes;
  std::u16string expected;
};

TEST(TextTest, Utf8ToUtf16ReplacesEachIllFormedSubpart) {
  const Utf8Case cases[] = {
      {"ascii", "Hello", u"Hello"},
      {"two three four bytes", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", u"\u00E9\u20AC\U0001F600"},
      {"stray continuation", "a\x80" "b", u"a\uFFFDb"},
      {"truncated at end", "a\xE2\x82", u"a\uFFFD"},
      {"truncated before ascii", "\xE2\x82z", u"\uFFFDz"},
      {"overlong", "\xC0\xAF", u"\uFFFD\uFFFD"},
      {"surrogate code point", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
      {"above U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"embedded nul", std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
  };
  for (const auto& c : cases) EXPECT_EQ(Utf8ToUtf16(c.bytes), c.expected) << c.name;
}

TEST(TextTest, RoundTripAndUnpairedSurrogate) {
  const std::u16string text = u"Zo\u00EB \U0001F4F1 \u4F60\u597D";
  EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(text)), text);
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

TEST(TextTest, DecodeTextValidity) {
  auto decode = [](std::string bytes, std::size_t available) {
    return DecodeText(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), available);
  };
  EXPECT_TRUE(decode("hello", 5).valid);
  EXPECT_EQ(decode("hello", 5).text, u"hello");
  EXPECT_FALSE(decode("bad \xFF", 5).valid);                       // replacement character
  EXPECT_FALSE(decode(std::string("a\0b", 3), 3).valid);          // NUL before the last character
  EXPECT_TRUE(decode(std::string("ab\0", 3), 3).valid);           // NUL as the last character
  EXPECT_FALSE(decode("hello", 4).valid);                          // runs past the data
  EXPECT_TRUE(decode("", 0).valid);
}

TEST(TextTest, CaseInsensitiveCompareFoldsNonAsciiLetters) {
  EXPECT_EQ(CompareNoCase(u"anna", u"ANNA"), 0);
  EXPECT_EQ(CompareNoCase(u"\u00C9mile", u"\u00E9mile"), 0);
  EXPECT_LT(CompareNoCase(u"abc", u"ABD"), 0);
  EXPECT_LT(CompareNoCase(u"ab", u"ABC"), 0);
  EXPECT_TRUE(LessNoCase(u"Bob", u"carl"));
}

}  // namespace
}  // namespace vesmar
