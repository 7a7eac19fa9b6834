#include "sqlite_recovery/messages_driver.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <map>
#include <random>
#include <set>

#include "platform/text.h"
#include "recovery/result_codes.h"
#include "sqlite_recovery/contact_dump.h"
#include "sqlite_recovery/contacts_driver.h"
#include "sqlite_recovery/date_text.h"
#include "sqlite_recovery/message_dump.h"
#include "sqlite_recovery/message_joins.h"
#include "sqlite_recovery/message_parsers.h"
#include "sqlite_recovery/sqlite_recovery_file.h"
#include "sqlite_recovery/table_driver.h"
#include "tests/drivers/conversation_scenario.h"
#include "tests/fixtures/deleted_rows_fixture.h"
#include "tests/fixtures/progress_recorder.h"
#include "tests/fixtures/temp_dir.h"

namespace vesmar {
namespace {

using fixtures::MessageLayout;
using testing::BuildConversations;
using testing::ConversationScenario;
using testing::ScenarioMessage;

// One message as a line, for readable comparisons.
std::string Describe(const MessageRecord& m, std::int32_t key) {
  return std::to_string(key) + "|" + RecordStatusName(m.status) + "|" + std::to_string(m.rowid) + "|" +
         std::to_string(m.handleId) + "|" + Utf16ToUtf8(m.date) + "|" + std::to_string(m.fromMe) + "|" +
         Utf16ToUtf8(m.address) + "|" + Utf16ToUtf8(m.contactName) + "|" + Utf16ToUtf8(m.attachment) + "|" +
         Utf16ToUtf8(m.text);
}

std::string Describe(const ScenarioMessage& m) {
  MessageRecord r;
  r.rowid = static_cast<std::int32_t>(m.rowid);
  r.handleId = static_cast<std::int32_t>(m.handleId);
  r.date = AppleDateText(m.appleSeconds);
  r.fromMe = m.fromMe ? 1 : 0;
  r.address = Utf8ToUtf16(m.address);
  r.contactName = Utf8ToUtf16(m.name);
  r.attachment = Utf8ToUtf16(m.attachment);
  r.text = Utf8ToUtf16(m.text);
  return Describe(r, r.handleId);
}

// What the live messages must come out as: grouped by handle, in date order.
std::vector<std::string> ExpectedLive(const ConversationScenario& s) {
  std::map<long long, std::vector<const ScenarioMessage*>> groups;
  for (const auto& m : s.all)
    if (!m.deleted) groups[m.handleId].push_back(&m);
  std::vector<std::string> lines;
  for (auto& [handle, list] : groups) {
    std::stable_sort(list.begin(), list.end(), [](auto* a, auto* b) { return a->appleSeconds < b->appleSeconds; });
    for (const auto* m : list) lines.push_back(Describe(*m));
  }
  return lines;
}

class MessagesDriverTest : public ::testing::TestWithParam<MessageLayout> {};

TEST_P(MessagesDriverTest, LiveAndDeletedMessagesOfEachLayout) {
  fixtures::TempDir dir;
  const ConversationScenario s = BuildConversations(dir.path(), GetParam());
  MessageMap grouped;
  std::uint64_t highest = 0;
  ParseContext context;
  context.newSchema = s.newSchema ? 1 : 0;
  ASSERT_EQ(RecoverMessages(s.messages, s.addressBook, grouped, context, highest), 0);
  EXPECT_EQ(highest, static_cast<std::uint64_t>(s.highestLiveRowid));

  std::vector<std::string> live;
  std::vector<const MessageRecord*> deleted;
  for (const auto& [key, list] : grouped) {
    std::u16string previousDate;
    for (const auto& m : list) {
      EXPECT_EQ(m.handleId, key);
      EXPECT_LE(previousDate, m.date) << "conversation " << key << " out of date order";
      previousDate = m.date;
      if (m.status == RecordStatus::Live) live.push_back(Describe(m, key));
      else deleted.push_back(&m);
    }
  }
  EXPECT_EQ(live, ExpectedLive(s));

  // A deleted record is one of the messages written (a deleted one, or an older copy of a live
  // one that the page kept), never a made-up row; carved, it has no rowid and no attachment, and
  // a carved handle cannot name its correspondent.
  std::set<std::string> recoveredDeleted;
  for (const MessageRecord* m : deleted) {
    const auto same = std::find_if(s.all.begin(), s.all.end(), [&](const ScenarioMessage& e) {
      return Utf8ToUtf16(e.text) == m->text && e.handleId == m->handleId &&
             AppleDateText(e.appleSeconds) == m->date && (e.fromMe ? 1 : 0) == m->fromMe;
    });
    ASSERT_NE(same, s.all.end()) << "not a message of the database: " << Describe(*m, m->handleId);
    EXPECT_EQ(m->rowid, 0);
    EXPECT_TRUE(m->attachment.empty());
    if (same->handleId == s.goneHandle) {
      EXPECT_TRUE(m->address.empty());
      EXPECT_TRUE(m->contactName.empty());
    } else {
      EXPECT_EQ(Utf16ToUtf8(m->address), same->address);
      EXPECT_EQ(Utf16ToUtf8(m->contactName), same->name);
    }
    if (same->deleted) recoveredDeleted.insert(same->text);
  }
  // A row deleted from the middle of a page stays whole in its freeblock, the last rows of a
  // page in its unallocated space, whatever the layout (the 68- and 74-column rows only come
  // back when carving expects their column count). One of them has a live handle and a name,
  // the other lost its handle.
  for (const char* text : {"Message 8 of the day, about the weekend plans", "Dave's secret 3"})
    EXPECT_TRUE(recoveredDeleted.count(text)) << text;
}

TEST_P(MessagesDriverTest, ColumnCountIsThatOfTheLastLiveRow) {
  fixtures::TempDir dir;
  const ConversationScenario s = BuildConversations(dir.path(), GetParam());
  CSqliteRecoveryFile file;
  ASSERT_EQ(file.OpenDatabaseFile(s.messages), 0);
  EXPECT_EQ(file.settings.messageColumnCount, 38);  // before any row
  std::vector<MessageRecord> rows;
  ASSERT_EQ(RecoverTable(file, "message",
                         [&](CSqliteRecoveryFile& f, const RecordBytes& r) { return ParseMessageRecord(f, r, rows); }),
            0);
  EXPECT_EQ(file.settings.messageColumnCount, static_cast<int>(GetParam()));
  EXPECT_EQ(file.ExpectedColumnCount("message"), static_cast<int>(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Layouts, MessagesDriverTest,
                         ::testing::Values(MessageLayout::Columns38, MessageLayout::Columns51, MessageLayout::Columns68,
                                           MessageLayout::Columns74),
                         [](const auto& info) { return std::to_string(static_cast<int>(info.param)) + "Columns"; });

// The joins as plain scans in table order, which the indexed joins must agree with.
void PlainJoins(std::vector<MessageRecord>& messages, const std::vector<ChatHandleRecord>& handles,
                std::vector<AttachmentRecord>& attachments, const std::vector<AttachmentLinkRecord>& links,
                const std::vector<ContactRecord>& contacts) {
  for (auto& a : attachments)
    for (const auto& l : links)
      if (l.attachmentId == a.rowid) {
        a.messageRowid = l.messageId;
        break;
      }
  for (auto& m : messages) {
    for (const auto& h : handles)
      if (h.rowid != 0 && h.rowid == m.handleId) {
        m.address = h.address;
        break;
      }
    if (!m.address.empty())
      for (const auto& c : contacts)
        if (c.phones.find(m.address) != std::u16string::npos) {
          m.contactName = c.name;
          break;
        }
    if (m.rowid != 0)
      for (const auto& a : attachments)
        if (a.messageRowid == m.rowid) {
          m.attachment = a.fileName;
          break;
        }
  }
}

TEST(MessageJoinsTest, IndexedJoinsGiveTheFirstMatchOfAPlainScan) {
  std::mt19937 random(7);
  const auto small = [&](int n) { return static_cast<std::int32_t>(random() % n); };  // many repeats and zeros
  const auto number = [&] { return u"+1555" + Utf8ToUtf16(std::to_string(small(30))); };
  for (int round = 0; round < 30; ++round) {
    std::vector<MessageRecord> messages(small(60));
    for (auto& m : messages) {
      m.rowid = small(20);
      m.handleId = small(12);
    }
    std::vector<ChatHandleRecord> handles(small(15));
    for (auto& h : handles) {
      h.rowid = small(12);
      h.address = random() % 5 ? number() : u"";
    }
    std::vector<AttachmentRecord> attachments(small(15));
    for (std::size_t i = 0; i < attachments.size(); ++i) {
      attachments[i].rowid = small(10);
      attachments[i].fileName = u"file" + Utf8ToUtf16(std::to_string(i));
    }
    std::vector<AttachmentLinkRecord> links(small(20));
    for (auto& l : links) {
      l.attachmentId = small(10);
      l.messageId = small(20);
    }
    std::vector<ContactRecord> contacts(small(10));
    for (std::size_t i = 0; i < contacts.size(); ++i) {
      contacts[i].name = u"contact" + Utf8ToUtf16(std::to_string(i));
      for (int k = small(3); k > 0; --k) contacts[i].phones += number() + u" ";
    }

    std::vector<MessageRecord> expected = messages;
    std::vector<AttachmentRecord> expectedAttachments = attachments;
    PlainJoins(expected, handles, expectedAttachments, links, contacts);

    LinkAttachments(attachments, links);
    ContactNameLookup names(contacts);
    JoinMessages(messages, handles, attachments, &names);
    for (std::size_t i = 0; i < attachments.size(); ++i)
      EXPECT_EQ(attachments[i].messageRowid, expectedAttachments[i].messageRowid);
    for (std::size_t i = 0; i < messages.size(); ++i)
      EXPECT_EQ(Describe(messages[i], 0), Describe(expected[i], 0));
  }
}

TEST(MessagesDriverTest, WithoutAddressBookMessagesComeWithoutNames) {
  fixtures::TempDir dir;
  const ConversationScenario s = BuildConversations(dir.path(), MessageLayout::Columns38);
  MessageMap grouped;
  std::uint64_t highest = 0;
  EXPECT_EQ(RecoverMessages(s.messages, dir / "missing.sqlitedb", grouped, {}, highest), ENOENT);
  std::size_t live = 0;
  for (const auto& [key, list] : grouped)
    for (const auto& m : list) {
      EXPECT_TRUE(m.contactName.empty());
      live += m.status == RecordStatus::Live;
      if (m.handleId == 1) {
        EXPECT_EQ(m.address, u"+15550100123");
      }
    }
  EXPECT_EQ(live, std::count_if(s.all.begin(), s.all.end(), [](const auto& m) { return !m.deleted; }));
}

TEST(MessagesDriverTest, UnreadableDatabaseDeliversNothing) {
  fixtures::TempDir dir;
  const std::filesystem::path notSqlite = dir / "sms.db";
  fixtures::WriteFileBytes(notSqlite, std::string(4096, 'x'));
  for (const auto& path : {dir / "missing.db", notSqlite}) {
    MessageMap grouped{{7, {MessageRecord{}}}};
    std::uint64_t highest = 99;
    const int rc = RecoverMessages(path, path, grouped, {}, highest);
    EXPECT_NE(rc, 0) << path;
    EXPECT_EQ(grouped.size(), 1u) << "the container is only appended to";
  }
}

TEST(MessagesDriverTest, ProgressPointsAndStops) {
  fixtures::TempDir dir;
  const ConversationScenario s = BuildConversations(dir.path(), MessageLayout::Columns51);
  using Recorder = fixtures::ProgressRecorder;
  // Base 34, step 10: after each of the four tables, after the address book, and at the end
  // (also after a stop).
  const std::vector<int> points{36, 36, 37, 39, 44};
  for (const int stopAt : {0, 1, 4, 5, 6}) {
    SCOPED_TRACE("stop at report " + std::to_string(stopAt));
    Recorder rec;
    rec.stopFromReport = static_cast<std::size_t>(stopAt);
    const ParseContext context{0, &Recorder::Callback, &rec, 34, 10};
    MessageMap grouped;
    std::uint64_t highest = 0;
    const int rc = RecoverMessages(s.messages, s.addressBook, grouped, context, highest);
    std::vector<int> expected(points.begin(), points.begin() + (stopAt == 0 ? 5 : std::min(stopAt, 5)));
    expected.push_back(44);
    EXPECT_EQ(rec.reports, expected);
    EXPECT_EQ(rc, stopAt == 0 ? 0 : result::kStopped);
    // A stop before the end discards what was read; the answer to the last report only
    // becomes the result.
    EXPECT_EQ(grouped.empty(), stopAt != 0 && stopAt < 6);
  }
}

// Both databases with random bytes overwritten: every driver and dump finishes, and every
// message it delivers still has a text (the sanitizer build checks that no read strays).
TEST(MessagesDriverTest, DamagedDatabasesNeverCrash) {
  fixtures::TempDir dir;
  const ConversationScenario s = BuildConversations(dir.path(), MessageLayout::Columns68);
  const std::string sms = fixtures::ReadFileBytes(s.messages);
  const std::string book = fixtures::ReadFileBytes(s.addressBook);
  std::mt19937 random(1234);
  for (int round = 0; round < 40; ++round) {
    std::string damagedSms = sms, damagedBook = book;
    for (int k = 0; k < 1 + round * 8; ++k) {
      damagedSms[random() % damagedSms.size()] = static_cast<char>(random());
      damagedBook[random() % damagedBook.size()] = static_cast<char>(random());
    }
    fixtures::WriteFileBytes(dir / "damaged.db", damagedSms);
    fixtures::WriteFileBytes(dir / "damaged.sqlitedb", damagedBook);
    MessageMap grouped;
    std::uint64_t highest = 0;
    RecoverMessages(dir / "damaged.db", dir / "damaged.sqlitedb", grouped, {}, highest);
    for (const auto& [key, list] : grouped)
      for (const auto& m : list) EXPECT_FALSE(m.text.empty());
    std::vector<ContactRecord> contacts;
    RecoverContacts(dir / "damaged.sqlitedb", true, contacts, highest);
    DumpMessageRows(dir / "damaged.db", dir / "sms.csv", highest);
    DumpContactRows(dir / "damaged.sqlitedb", dir / "Contacts.csv", highest);
  }
}

}  // namespace
}  // namespace vesmar
