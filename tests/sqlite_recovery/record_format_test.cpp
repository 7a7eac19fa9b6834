#include <gtest/gtest.h>

#include <vector>

#include "sqlite_recovery/expected_columns.h"
#include "sqlite_recovery/record_cursor.h"
#include "sqlite_recovery/sqlite_format.h"
#include "sqlite_recovery/sqlite_recovery_file.h"

namespace vesmar {
namespace {

namespace fmt = sqlite_format;

TEST(VarintTest, ReadsUpToNineBytesWithinItsLimit) {
  struct Case {
    std::vector<std::uint8_t> bytes;
    std::int64_t limit;
    std::uint64_t value;
    std::int64_t length;
  };
  const std::vector<std::uint8_t> nine(9, 0xFF);
  const Case cases[] = {
      {{0x00}, 1, 0, 1},
      {{0x7F, 0x05}, 2, 127, 1},
      {{0x81, 0x00}, 2, 128, 2},
      {{0x82, 0x80, 0x01}, 3, (2u << 14) | 1, 3},
      {nine, 9, ~0ull, 9},                                           // the ninth byte gives all 8 bits
      {{0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x7F}, 9, 0x7F, 9},
      {{0x81, 0x81, 0x01}, 1, 1, 1},                                 // cut by the limit
      {{0x81, 0x81, 0x01}, 2, (1 << 7) | 1, 2},
      {{0x05}, 0, 0, 0},
      {{0x05}, -3, 0, 0},
  };
  for (const auto& c : cases) {
    const auto v = fmt::ReadVarint(c.bytes.data(), c.limit);
    EXPECT_EQ(v.value, c.value) << c.bytes.size() << "/" << c.limit;
    EXPECT_EQ(v.length, c.length) << c.bytes.size() << "/" << c.limit;
  }
}

TEST(SerialTypesTest, ContentSizesAndLengths) {
  const std::pair<std::uint64_t, std::uint64_t> sizes[] = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4},  {5, 6},
                                                           {6, 8}, {7, 8}, {8, 0}, {9, 0}, {10, 0}, {11, 0},
                                                           {12, 0}, {13, 0}, {14, 1}, {15, 1}, {1000, 494}, {1001, 494}};
  for (const auto& [type, size] : sizes) EXPECT_EQ(fmt::ContentSize(type), size) << type;

  const std::uint8_t types[] = {0x01, 0x81, 0x01, 0x07, 0x81};
  EXPECT_EQ(CSqliteRecoveryFile::SerialTypesLength(types, 5, 3), 4);
  EXPECT_EQ(CSqliteRecoveryFile::SerialTypesLength(types, 5, 4), 0);  // the fourth runs past
  EXPECT_EQ(CSqliteRecoveryFile::SerialTypesLength(types, 2, 2), 0);
  EXPECT_EQ(CSqliteRecoveryFile::SerialTypesLength(types, 5, 0), 0);
}

TEST(RecordSizeTest, CountsTheCurrentTablesColumnsAndStopsPastTheLimit) {
  CSqliteRecoveryFile file;
  // Serial types text(3), int(2), int(1) and their body.
  const std::uint8_t record[] = {0x13, 0x02, 0x01, 'a', 'b', 'c', 0, 9, 4};
  file.SetCurrentTable("unknown");
  EXPECT_EQ(file.RecordSize(record, sizeof record, 3, 100), 9);
  EXPECT_EQ(file.RecordSize(record, sizeof record, 2, 100), 7);  // the given k counts without a column count
  EXPECT_GT(file.RecordSize(record, sizeof record, 3, 4), 4);
  // A table of 4 columns whose first serial type was lost: 3 types are counted, whatever k says.
  file.SetDeclaredColumnCount("four", 4);
  file.SetCurrentTable("four");
  EXPECT_EQ(file.RecordSize(record, sizeof record, 1, 100), 9);
}

TEST(RecordCursorTest, HeaderFormReadsNOrNMinusOneTypes) {
  // First byte 0: the NULL of an integer key; all n types follow, indexes from 0.
  const std::uint8_t keyed[] = {0x00, 0x17, 0x01, 'h', 'e', 'l', 'l', 'o', 42};
  RecordCursor r = RecordCursor::Header(keyed, sizeof keyed, 3);
  Column c;
  ASSERT_TRUE(r.Next(c));
  EXPECT_EQ(c.index, 0);
  EXPECT_TRUE(c.IsNull());
  ASSERT_TRUE(r.Next(c));
  EXPECT_EQ(c.index, 1);
  EXPECT_EQ(c.Bytes(), "hello");
  ASSERT_TRUE(r.Next(c));
  EXPECT_EQ(c.Integer(), 42);
  EXPECT_FALSE(r.Next(c));

  // First byte not 0: its type was overwritten; n - 1 types follow, indexes from 1.
  const std::uint8_t lost[] = {0x17, 0x01, 'h', 'e', 'l', 'l', 'o', 42};
  r = RecordCursor::Header(lost, sizeof lost, 3);
  EXPECT_EQ(r.firstIndex(), 1);
  ASSERT_TRUE(r.Next(c));
  EXPECT_EQ(c.index, 1);
  EXPECT_EQ(c.Text().text, u"hello");
  ASSERT_TRUE(r.Next(c));
  EXPECT_EQ(c.index, 2);
  EXPECT_EQ(c.Integer(), 42);
  EXPECT_FALSE(r.Next(c));
}

TEST(RecordCursorTest, CellFormAndColumnsNeverReadPastTheBytes) {
  // payload 12, rowid 300, header 4: text(5), 8-byte float, 1-byte int; then a cut body.
  const std::uint8_t cell[] = {12, 0x82, 0x2C, 4, 0x17, 0x07, 0x01, 'a', 'b', 'c', 'd', 'e', 0x40, 0x09};
  RecordCursor r = RecordCursor::Cell(cell, sizeof cell);
  EXPECT_EQ(r.rowid(), 300);
  EXPECT_EQ(r.headerLength(), 4u);
  EXPECT_EQ(r.serialTypeBytes(), 3);
  Column c;
  ASSERT_TRUE(r.Next(c));
  EXPECT_TRUE(c.complete());
  EXPECT_EQ(c.Bytes(), "abcde");
  ASSERT_TRUE(r.Next(c));
  EXPECT_TRUE(c.IsReal());
  EXPECT_FALSE(c.complete());  // 2 of its 8 bytes are there
  EXPECT_EQ(c.Real(), 0.0);
  ASSERT_TRUE(r.Next(c));
  EXPECT_FALSE(c.complete());
  EXPECT_EQ(c.Integer(), 0);
  EXPECT_FALSE(r.Next(c));

  // A text that runs past the bytes is invalid; a header longer than the bytes is incomplete.
  const std::uint8_t cut[] = {5, 1, 60, 0x7F, 'x'};
  r = RecordCursor::Cell(cut, sizeof cut);
  EXPECT_FALSE(r.typesComplete());
  ASSERT_TRUE(r.Next(c));
  EXPECT_FALSE(c.Text().valid);
}

TEST(ExpectedColumnCountTest, FollowsTheTableAndTheSettingsLearnedFromLiveRows) {
  CSqliteRecoveryFile file;
  struct Case {
    const char* table;
    std::int32_t count;
  };
  const Case fixed[] = {{"ZNOTEBODY", 7},      {"znote", 19},          {"message", 38},        {"Handle", 5},
                        {"attachment", 9},     {"message_attachment_join", 2},
                        {"ABPersonFullTextSearch_content", 24},        {"call", 13},           {"ZWAMESSAGE", 28},
                        {"ZWACHATSESSION", 25}, {"ZWAGROUPMEMBER", 13}, {"ZWAMEDIAITEM", 24}, {"ZCALLRECORD", 17},
                        {"ZWACONTACT", 11},    {"ZWAPHONE", 9},        {"users", 0}};
  for (const auto& c : fixed) {
    EXPECT_EQ(file.ExpectedColumnCount(c.table), c.count) << c.table;
    EXPECT_EQ(file.lastExpectedColumnCount(), c.count) << c.table;
  }
  file.settings.messageColumnCount = 51;
  file.settings.contactHeaderBytes = 25;
  file.settings.whatsAppMessageColumnCount = 31;
  EXPECT_EQ(file.ExpectedColumnCount("message"), 51);
  EXPECT_EQ(file.ExpectedColumnCount("ABPersonFullTextSearch_content"), 24);  // 25 bytes is not more than 25
  file.settings.contactHeaderBytes = 26;
  EXPECT_EQ(file.ExpectedColumnCount("ABPersonFullTextSearch_content"), 25);
  EXPECT_EQ(file.ExpectedColumnCount("ZWAMESSAGE"), 31);
  // A table the fixed table does not name takes a registered count; named tables keep theirs.
  file.SetDeclaredColumnCount("Users", 5);
  file.SetDeclaredColumnCount("handle", 9);
  EXPECT_EQ(file.ExpectedColumnCount("users"), 5);
  EXPECT_EQ(file.ExpectedColumnCount("handle"), 5);
  file.SetCurrentTable("USERS");
  EXPECT_EQ(file.CurrentColumnCount(), 5);
}

}  // namespace
}  // namespace vesmar
