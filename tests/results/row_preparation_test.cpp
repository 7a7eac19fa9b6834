// Rows of a finished category: conversation rows, call order, deleted first, list cells.
#include <gtest/gtest.h>

#include "results/list_rows.h"
#include "results/row_preparation.h"

namespace vesmar {
namespace {

using C = RecoveryCategory;
constexpr auto D = RecordStatus::Deleted;
constexpr auto L = RecordStatus::Live;

TEST(RowPreparationTest, ConversationRowIsTheLastMessageDeletedFirst) {
  MessageMap map;
  map[7] = {{L, 0, 1, 7, u"2020-01-01 10:00:00", u"+1", u"Ann", u"first", u""},
            {L, 1, 2, 0, u"2020-01-02 10:00:00", u"+1", u"Ann", u"newest", u""}};
  map[8] = {};
  map[9] = {{D, 0, 0, 9, u"2019-05-05 05:05:05", u"+2", u"Bob", u"gone", u""},
            {L, 0, 3, 9, u"2019-06-06 06:06:06", u"+2", u"Bob", u"kept", u""}};
  map[10] = {{L, 0, 4, 10, u"2021-01-01 00:00:00", u"+3", u"Cid", u"hi", u""}};

  const auto rows = ConversationRows(map);
  ASSERT_EQ(rows.size(), 3u);  // the empty conversation has no row
  EXPECT_EQ(rows[0].text, u"kept");
  EXPECT_EQ(rows[0].status, D);  // one deleted message marks the conversation
  EXPECT_EQ(rows[1].text, u"newest");
  EXPECT_EQ(rows[1].handleId, 7);  // keyed by the conversation, whatever the message held
  EXPECT_EQ(rows[2].handleId, 10);

  WhatsAppChatMap chats;
  chats[3].push_back({});
  chats[3].back().text = u"last";
  const auto chatRows = ChatRows(chats);
  ASSERT_EQ(chatRows.size(), 1u);
  EXPECT_EQ(chatRows[0].chatId, 3);
}

TEST(RowPreparationTest, CallsNewestFirstThenDeletedFirstStable) {
  std::vector<CallRecord> calls = {{L, 1, 0, u"2020-01-01 00:00:00", u"a", u""},
                                   {D, 1, 0, u"2019-01-01 00:00:00", u"b", u""},
                                   {L, 1, 0, u"2022-01-01 00:00:00", u"c", u""},
                                   {D, 1, 0, u"2021-01-01 00:00:00", u"d", u""},
                                   {L, 1, 0, u"2022-01-01 00:00:00", u"e", u""}};
  PrepareCallRows(calls);
  std::u16string order;
  for (const auto& c : calls) order += c.address;
  EXPECT_EQ(order, u"dbcea");

  std::vector<NoteRecord> notes = {{L, 0, u"", u"1", u""}, {D, 0, u"", u"2", u""}, {L, 0, u"", u"3", u""},
                                   {D, 0, u"", u"4", u""}};
  DeletedFirst(notes);
  std::u16string titles;
  for (const auto& n : notes) titles += n.title;
  EXPECT_EQ(titles, u"2413");
}

TEST(RowPreparationTest, ListRowsFollowTheirColumns) {
  const CallRecord missed{D, 1, 0, u"2020-01-01 00:00:00", u"+1 555", u"Ann"};
  const CallRecord longCall{L, 0, 3725, u"2020-01-01 00:00:00", u"+1 555", u"Ann"};
  const auto row = MakeListRow(C::CallHistory, &missed);
  EXPECT_EQ(row.cells, (std::vector<std::u16string>{u"Ann", u"+1 555", u"2020-01-01 00:00:00", u"Incoming",
                                                     u"Missed", u"Deleted"}));
  EXPECT_EQ(row.icon, RowIcon::DeletedMark);
  EXPECT_TRUE(row.deleted);
  EXPECT_EQ(MakeListRow(C::CallHistory, &longCall).cells[4], u"1 Hour 2 Min");
  EXPECT_EQ(MakeListRow(C::CallHistory, &longCall).cells[5], u"Normal");

  const AttachmentFileRecord video{0, 2048, u"clip.MOV", "/x"};
  EXPECT_EQ(MakeListRow(C::MessagesAttachments, &video).icon, RowIcon::Video);
  EXPECT_EQ(MakeListRow(C::MessagesAttachments, &video).cells[1], u"2.00 KB");
  EXPECT_EQ(MakeAppRow(u"example").cells, (std::vector<std::u16string>{u"example", u"Folder"}));

  for (int code = 1; code <= 11; ++code) {
    const auto columns = ListColumns(static_cast<C>(code), true);
    ASSERT_FALSE(columns.empty()) << code;
    EXPECT_EQ(columns.back().width, 0) << code;  // the last column takes the rest
  }
  EXPECT_EQ(ListColumns(C::CallHistory).size(), row.cells.size());
}

}  // namespace
}  // namespace vesmar
