// Real databases from public forensic images, read in place (read-only; SQLite opens them
// immutable): the drivers must neither crash nor change them, and must give what SQLite shows.
#include <gtest/gtest.h>

#include "platform/text.h"
#include "sqlite_recovery/calls_driver.h"
#include "sqlite_recovery/notes_driver.h"
#include "sqlite_recovery/whatsapp_driver.h"
#include "tests/fixtures/deleted_rows_fixture.h"

namespace vesmar {
namespace {

namespace fs = std::filesystem;

const fs::path kAnchors = VESMAR_ANCHORS_DIR;

fs::path IleappChatStorage() {
  return kAnchors / "ileapp/admin/test/cases/data/whatsApp/testdata.whatsApp.whatsAppMessages.josh_ios15_ffs" /
         "filesystem2/mobile/Containers/Shared/AppGroup/694FBBC5-2E69-480A-A25B-FF8CC038BEF8/ChatStorage.sqlite";
}

// A WhatsApp build of 2022 (iOS 15): the text messages come back with their chat; its media items
// keep their path at another column than the one read, so media messages do not (yet).
TEST(AnchorCallsNotesChatsTest, WhatsAppChatStorageOfARealPhone) {
  const fs::path db = IleappChatStorage();
  if (!fs::exists(db)) GTEST_SKIP() << "anchors not present";
  const std::string before = fixtures::ReadFileBytes(db);
  WhatsAppChatMap grouped;
  ASSERT_EQ(RecoverWhatsApp(db, grouped), 0);
  EXPECT_EQ(fixtures::ReadFileBytes(db), before);

  std::size_t live = 0;
  for (const auto& [chat, messages] : grouped)
    for (const auto& m : messages) {
      EXPECT_EQ(m.chatId, chat);
      EXPECT_FALSE(m.text.empty());
      EXPECT_FALSE(m.date.empty());
      live += m.status == RecordStatus::Live;
    }
  const long long withText = fixtures::QueryInt(db, "SELECT COUNT(*) FROM ZWAMESSAGE WHERE ZTEXT <> ''");
  EXPECT_EQ(static_cast<long long>(live), withText);
  ASSERT_TRUE(grouped.count(5));
  const WhatsAppMessageRecord& first = grouped.at(5).front();
  EXPECT_EQ(first.chatName, u"This Is DFIR Two");
  EXPECT_EQ(first.memberPhones, u"19198887386");
  EXPECT_EQ(first.senderName, first.fromMe ? u"Me" : u"This Is DFIR Two");
}

// Older layouts (iOS 5 to 8) that keep the number at column 1: nothing to fail on, and whatever
// comes back is a whole call.
TEST(AnchorCallsNotesChatsTest, OlderCallHistoriesAndNotes) {
  const fs::path tracy = kAnchors / "unit21-ngdc-tracy";
  const fs::path otapki = kAnchors / "otapki-iphone";
  if (!fs::exists(tracy / "call_history.db")) GTEST_SKIP() << "anchors not present";
  for (const fs::path& calls : {tracy / "call_history.db", otapki / "call_history.db"}) {
    std::vector<CallRecord> records;
    EXPECT_EQ(RecoverCalls(calls, tracy / "AddressBook.sqlitedb", false, records), 0) << calls;
    for (const auto& c : records) {
      EXPECT_FALSE(c.address.empty());
      EXPECT_FALSE(c.date.empty());
    }
  }
  std::vector<NoteRecord> notes;
  EXPECT_EQ(RecoverNotes(otapki / "Library/Notes/notes.sqlite", notes), 0);
  EXPECT_TRUE(notes.empty());  // an empty notes database
}

}  // namespace
}  // namespace vesmar
