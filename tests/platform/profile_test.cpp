#include "platform/profile.h"

#include <gtest/gtest.h>

#include <fstream>

#include "tests/fixtures/temp_dir.h"

namespace vesmar {
namespace {
using fixtures::TempDir;

TEST(Profile, SplitsAtTheFirstEqualsAndKeepsOrderAndDuplicates) {
  const auto sections = ParseProfile(
      "\xEF\xBB\xBF; comment\r\nstray=before any section\r\n[A]\r\n key = a=b=c \r\nplain line\r\n"
      "key=second\r\n\r\n[B]\nx=1\n[A]\nlate=2\n");
  ASSERT_EQ(sections.size(), 2u);
  EXPECT_EQ(sections[0].name, "A");
  ASSERT_EQ(sections[0].lines.size(), 4u);
  EXPECT_EQ(sections[0].lines[0], (std::pair<std::string, std::string>{"key", "a=b=c"}));
  EXPECT_EQ(sections[0].lines[1], (std::pair<std::string, std::string>{"plain line", "plain line"}));
  EXPECT_EQ(sections[0].lines[2].second, "second");
  EXPECT_EQ(sections[0].lines[3].first, "late");  // a section named again joins its first place
  EXPECT_EQ(sections[1].name, "B");
}

TEST(Profile, ReadsUtf16Files) {
  const std::u16string text = u"[S]\r\nk=Grüße\r\n";
  std::string raw = "\xFF\xFE";
  for (char16_t c : text) {
    raw.push_back(static_cast<char>(c & 0xFF));
    raw.push_back(static_cast<char>(c >> 8));
  }
  const auto sections = ParseProfile(raw);
  ASSERT_EQ(sections.size(), 1u);
  EXPECT_EQ(sections[0].lines.at(0).second, "Grüße");
}

TEST(Profile, ReadsOneValueWithFallbackAndLimit) {
  TempDir dir;
  const auto file = dir.path() / "config.ini";
  std::ofstream(file) << "[DefaultLanguage]\nDefault=Français-très-long\nDefault=ignored\n";
  EXPECT_EQ(ReadProfileString(file, "DefaultLanguage", "Default", "English", 63), "Français-très-long");
  EXPECT_EQ(ReadProfileString(file, "DefaultLanguage", "Default", "English", 5), "Franç");
  EXPECT_EQ(ReadProfileString(file, "defaultlanguage", "Default", "English", 63), "English");  // case counts
  EXPECT_EQ(ReadProfileString(dir.path() / "none.ini", "DefaultLanguage", "Default", "English", 63), "English");
}

}  // namespace
}  // namespace vesmar
