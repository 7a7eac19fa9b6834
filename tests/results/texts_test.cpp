// Size, duration and message texts.
#include <gtest/gtest.h>

#include "results/display_texts.h"
#include "results/message_format.h"

namespace vesmar {
namespace {

TEST(TextsTest, SizeTextBoundaries) {
  const struct {
    std::uint64_t bytes;
    const char* text;
  } cases[] = {
      {0, "0 Bytes"},
      {1023, "1023 Bytes"},
      {1024, "1.00 KB"},
      {1536, "1.50 KB"},
      {(1ULL << 20) - 1, "1024.00 KB"},
      {1ULL << 20, "1.00 MB"},
      {1ULL << 30, "1.00 GB"},
      {5ULL << 40, "5.00 TB"},
      {~0ULL, "16777216.00 TB"},
  };
  for (const auto& c : cases) EXPECT_EQ(SizeText(c.bytes), c.text) << c.bytes;
}

TEST(TextsTest, DurationTexts) {
  const struct {
    std::int64_t seconds;
    const char* text;
  } cases[] = {{0, "0 Sec"},        {59, "59 Sec"},          {60, "1 Min 0 Sec"}, {75, "1 Min 15 Sec"},
               {3599, "59 Min 59 Sec"}, {3600, "1 Hour 0 Min"}, {3725, "1 Hour 2 Min"}, {-5, "-5 Sec"}};
  for (const auto& c : cases) EXPECT_EQ(DurationText(c.seconds), c.text) << c.seconds;

  CallRecord call;
  call.incoming = 1;
  EXPECT_EQ(CallDurationText(call), "Missed");
  call.incoming = 0;
  EXPECT_EQ(CallDurationText(call), "Canceled");
  call.duration = 75;
  EXPECT_EQ(CallDurationText(call), "1 Min 15 Sec");
}

TEST(TextsTest, MessageFormatTakesOnlyPlainPlaceholders) {
  const struct {
    std::u16string_view format;
    std::u16string_view text;
  } cases[] = {
      {u"%s %d%%", u"Progress: 42%"},
      {u"%s %i (%d)", u"Progress: 42 ()"},  // a missing argument gives nothing
      {u"%n%x%5d%", u"%n%x%5d%"},   // anything else stays as written
      {u"no placeholders", u"no placeholders"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FormatMessage(c.format, {std::u16string(u"Progress:"), std::int64_t{42}}), c.text);
  EXPECT_EQ(FormatMessage(u"%s|%s", {std::int64_t{-3}, std::u16string(u"x")}), u"-3|x");
}

}  // namespace
}  // namespace vesmar
