#include "sqlite_recovery/whatsapp_driver.h"

#include <gtest/gtest.h>

#include <set>

#include "platform/text.h"
#include "recovery/result_codes.h"
#include "sqlite_recovery/date_text.h"
#include "tests/fixtures/deleted_rows_fixture.h"
#include "tests/fixtures/progress_recorder.h"
#include "tests/fixtures/temp_dir.h"
#include "tests/fixtures/whatsapp_fixture.h"

namespace vesmar {
namespace {

namespace fs = std::filesystem;
using fixtures::FixtureWhatsAppMessage;

std::string Describe(const WhatsAppMessageRecord& m) {
  return std::string(RecordStatusName(m.status)) + "|" + std::to_string(m.chatId) + "|" + std::to_string(m.fromMe) +
         "|" + Utf16ToUtf8(m.date) + "|" + Utf16ToUtf8(m.senderName) + "|" + Utf16ToUtf8(m.senderPhone) + "|" +
         Utf16ToUtf8(m.memberNames) + "|" + Utf16ToUtf8(m.memberPhones) + "|" + Utf16ToUtf8(m.chatName) + "|" +
         Utf16ToUtf8(m.text);
}

std::vector<std::string> Lines(const WhatsAppChatMap& grouped, RecordStatus status) {
  std::vector<std::string> lines;
  for (const auto& [key, list] : grouped)
    for (const auto& m : list) {
      EXPECT_EQ(m.chatId, key);
      if (m.status == status) lines.push_back(Describe(m));
    }
  return lines;
}

std::string Date(std::int64_t appleSeconds) { return Utf16ToUtf8(AppleDateText(appleSeconds)); }

TEST(WhatsAppDriverTest, ChatsMembersMediaAndDeletedMessages) {
  fixtures::TempDir dir;
  fixtures::WhatsAppDatabase db(dir / "ChatStorage.sqlite");
  const long long bob = db.AddChat("15550100@s.whatsapp.net", "Bob");  // rowid 1: stored as the constant 1
  const long long family = db.AddChat("120363025@g.us", "Family");
  const long long carol = db.AddChat("15550177@s.whatsapp.net", "Carol");
  const long long ann = db.AddMember(family, "15550111@s.whatsapp.net", "Ann");  // rowid 1 as well
  const long long ben = db.AddMember(family, "15550122@s.whatsapp.net", "Ben");
  const long long photo = db.AddMedia("Media/120363025@g.us/a/b/photo.jpg");
  const long long voice = db.AddMedia("Media/15550100@s.whatsapp.net/c/d/voice.opus");
  ASSERT_EQ(bob, 1);
  ASSERT_EQ(ann, 1);
  // The chats interleave; the group's first message of each run keeps its text.
  db.AddMessage({family, ann, 0, false, "Hi all", "650000000"});
  db.AddMessage({bob, 0, 0, false, "Hello", "650000010"});
  db.AddMessage({family, ben, 0, false, "Hello Ann", "650000020.25"});
  db.AddMessage({family, 0, 0, true, "Hi both", "650000030"});
  db.AddMessage({bob, 0, 0, true, "Hi Bob", "650000040"});
  const long long gone1 = db.AddMessage({carol, 0, 0, false, "See you at the station", "650000045"});
  db.AddMessage({family, ben, photo, false, "", "650000050"});
  db.AddMessage({bob, 0, 99, false, "", "650000055"});  // its media item is not there: not delivered
  db.AddMessage({bob, 0, voice, false, "", "650000060"});
  const long long gone2 = db.AddMessage({bob, 0, 0, true, "Deleted words", "650000070"});
  db.AddMessage({bob, 0, 0, false, "Earlier, listed later", "649999990"});
  db.DeleteMessage(gone1);
  db.DeleteMessage(gone2);
  db.Close();

  WhatsAppChatMap grouped;
  ASSERT_EQ(RecoverWhatsApp(dir / "ChatStorage.sqlite", grouped), 0);
  const std::string bobChat = "|Bob|15550100|Bob|";
  const std::string familyChat = "|Ann,Ben|15550111,15550122|Family|";
  const std::vector<std::string> live = {
      "Live|1|0|" + Date(649'999'990) + "|Bob|15550100" + bobChat + "Earlier, listed later",
      "Live|1|0|" + Date(650'000'010) + "|Bob|15550100" + bobChat + "Hello",
      "Live|1|1|" + Date(650'000'040) + "|Me|" + bobChat + "Hi Bob",
      "Live|1|0|" + Date(650'000'060) + "|Bob|15550100" + bobChat + "Media/15550100@s.whatsapp.net/c/d/voice.opus",
      "Live|2|0|" + Date(650'000'000) + "|Ann|15550111" + familyChat + "Hi all",
      "Live|2|0|" + Date(650'000'020) + "|Ben|15550122" + familyChat + "Hello Ann",
      "Live|2|1|" + Date(650'000'030) + "|Me|" + familyChat + "Hi both",
      "Live|2|0|" + Date(650'000'050) + "|Ben|15550122" + familyChat + "Media/120363025@g.us/a/b/photo.jpg",
  };
  EXPECT_EQ(Lines(grouped, RecordStatus::Live), live);
  const std::vector<std::string> deleted = {
      "Deleted|1|1|" + Date(650'000'070) + "|Me|" + bobChat + "Deleted words",
      "Deleted|3|0|" + Date(650'000'045) + "|Carol|15550177|Carol|15550177|Carol|See you at the station",
  };
  EXPECT_EQ(Lines(grouped, RecordStatus::Deleted), deleted);
}

// A table whose rows were all deleted still gives them back: its pages keep them, and carving
// reads them for the table's declared columns.
TEST(WhatsAppDriverTest, EmptiedMessageTableGivesItsDeletedRows) {
  fixtures::TempDir dir;
  fixtures::WhatsAppDatabase db(dir / "ChatStorage.sqlite");
  const long long chat = db.AddChat("15550100@s.whatsapp.net", "Bob");
  std::set<std::string> written;
  for (int i = 0; i < 80; ++i) {
    const std::string text = "Message " + std::to_string(i) + " " + fixtures::FillerText(20 + i % 50, i);
    db.AddMessage({chat, 0, 0, i % 3 == 0, text, std::to_string(650'000'000 + i)});
    written.insert(text);
  }
  db.DeleteAllMessages();
  db.Close();
  ASSERT_EQ(fixtures::QueryInt(dir / "ChatStorage.sqlite", "SELECT COUNT(*) FROM ZWAMESSAGE"), 0);

  WhatsAppChatMap grouped;
  ASSERT_EQ(RecoverWhatsApp(dir / "ChatStorage.sqlite", grouped), 0);
  std::set<std::string> recovered;
  for (const auto& m : grouped[1]) {
    EXPECT_EQ(m.status, RecordStatus::Deleted);
    EXPECT_EQ(m.chatName, u"Bob");
    EXPECT_TRUE(written.count(Utf16ToUtf8(m.text))) << Describe(m);
    recovered.insert(Utf16ToUtf8(m.text));
  }
  EXPECT_EQ(grouped.size(), 1u);
  EXPECT_EQ(recovered, written);
}

// Rows deleted from the middle of pages in a long history: their rowids take three varint bytes,
// so the freeblock that replaced each row's first four bytes left the end of its rowid and its
// header length in front of the serial types.
TEST(WhatsAppDriverTest, DeletedMessagesOfALongHistory) {
  fixtures::TempDir dir;
  std::set<std::string> written, deleted;
  {
    fixtures::WhatsAppDatabase db(dir / "ChatStorage.sqlite");
    const long long chat = db.AddChat("15550100@s.whatsapp.net", "Bob");
    db.db().Exec("BEGIN; INSERT INTO ZWAMESSAGE (Z_PK, Z_ENT) VALUES (20000, 10);");
    std::string gone = "0";
    for (int i = 1; i <= 120; ++i) {
      const std::string text = "Note " + std::to_string(i) + ": " + fixtures::FillerText(30 + i % 40, i);
      const long long rowid = db.AddMessage({chat, 0, 0, i % 2 == 0, text, std::to_string(650'000'000 + i)});
      ASSERT_GT(rowid, 16383);
      written.insert(text);
      if (i % 6 == 3) {
        deleted.insert(text);
        gone += "," + std::to_string(rowid);
      }
    }
    db.db().Exec("COMMIT; DELETE FROM ZWAMESSAGE WHERE Z_PK IN (" + gone + ");");
  }
  WhatsAppChatMap grouped;
  ASSERT_EQ(RecoverWhatsApp(dir / "ChatStorage.sqlite", grouped), 0);
  std::set<std::string> recovered;
  for (const auto& m : grouped[1]) {
    if (m.status != RecordStatus::Deleted) continue;
    // Page splits leave older copies of live rows too; every copy is a message written.
    EXPECT_TRUE(written.count(Utf16ToUtf8(m.text))) << Describe(m);
    if (deleted.count(Utf16ToUtf8(m.text))) recovered.insert(Utf16ToUtf8(m.text));
  }
  EXPECT_EQ(recovered, deleted);
}

TEST(WhatsAppDriverTest, ProgressWithinTheStepAndStops) {
  fixtures::TempDir dir;
  {
    fixtures::WhatsAppDatabase db(dir / "ChatStorage.sqlite");
    db.AddMessage({db.AddChat("15550100@s.whatsapp.net", "Bob"), 0, 0, false, "Hello", "650000000"});
  }
  using Recorder = fixtures::ProgressRecorder;
  for (const int stopAt : {0, 1, 2}) {
    SCOPED_TRACE(stopAt);
    Recorder rec;
    rec.stopFromReport = static_cast<std::size_t>(stopAt);
    ParseContext context;
    context.callback = &Recorder::Callback;
    context.user = &rec;
    context.progressReached = 76;
    context.stepWidth = 11;
    WhatsAppChatMap grouped;
    const int rc = RecoverWhatsApp(dir / "ChatStorage.sqlite", grouped, context);
    EXPECT_EQ(rc, stopAt ? result::kStopped : 0);
    EXPECT_EQ(grouped.empty(), stopAt != 0) << "a stopped run delivers nothing";
    const std::vector<int> points{78, 84};
    EXPECT_EQ(rec.reports, std::vector<int>(points.begin(), points.begin() + (stopAt ? stopAt : 2)));
  }
}

TEST(WhatsAppDriverTest, DatabasesSqliteCannotOpenOrQuery) {
  fixtures::TempDir dir;
  fixtures::WriteFileBytes(dir / "text.sqlite", std::string(8192, 'x'));
  { fixtures::SqliteDb other(dir / "other.sqlite"); other.Exec("CREATE TABLE ZWACHATSESSION (Z_PK INTEGER PRIMARY KEY);"); }
  WhatsAppChatMap grouped;
  EXPECT_EQ(RecoverWhatsApp(dir / "missing.sqlite", grouped), 14);  // SQLite cannot open it
  EXPECT_EQ(RecoverWhatsApp("", grouped), result::kInvalid);
  EXPECT_EQ(RecoverWhatsApp(dir / "text.sqlite", grouped), kChatQueryFailed);
  EXPECT_EQ(RecoverWhatsApp(dir / "other.sqlite", grouped), kChatQueryFailed);
  EXPECT_TRUE(grouped.empty());
}

}  // namespace
}  // namespace vesmar
