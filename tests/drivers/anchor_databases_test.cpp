// Real databases of public forensic images: none may crash or hang the drivers, and what each
// yields is known. Our reader opens them read-only and never reads or changes a -wal beside them.
#include <gtest/gtest.h>

#include "platform/text.h"
#include "sqlite_recovery/contact_dump.h"
#include "sqlite_recovery/contacts_driver.h"
#include "sqlite_recovery/message_dump.h"
#include "sqlite_recovery/messages_driver.h"
#include "tests/fixtures/deleted_rows_fixture.h"
#include "tests/fixtures/temp_dir.h"

namespace vesmar {
namespace {

namespace fs = std::filesystem;

fs::path Anchors() { return VESMAR_ANCHORS_DIR; }

fs::path AddressBookOf(const std::string& image, const std::string& inside) {
  return Anchors() / "ileapp/admin/test/cases/data/addressBook" / ("testdata.addressBook.addressBook." + image) /
         inside / "Library/AddressBook/AddressBook.sqlitedb";
}

std::size_t LineCount(const fs::path& path) {
  const std::string bytes = fs::exists(path) ? fixtures::ReadFileBytes(path) : "";
  std::size_t n = 0;
  for (std::size_t at = 0; (at = bytes.find("\r\n", at)) != std::string::npos; at += 2) ++n;
  return n;
}

struct MessagesCase {
  const char* file;
  std::uint64_t highestRowid;
  std::size_t live;
  const char* why;
};

TEST(AnchorDatabasesTest, MessagesDatabases) {
  if (!fs::exists(Anchors())) GTEST_SKIP() << "no anchors folder";
  const fs::path book = AddressBookOf("josh_ios15_ffs", "filesystem2/mobile");
  const fs::path wal = Anchors() / "eichbaumj-presentations/sms.db-wal";
  const std::string walBefore = fixtures::ReadFileBytes(wal);
  const MessagesCase cases[] = {
      {"cs426-magnetctf2020/sms.db", 254, 105, "iOS 13, 68 columns; its deleted cells were zeroed"},
      {"eichbaumj-presentations/sms.db", 0, 0, "a 4 KB shell: every row is in the -wal"},
      {"eichbaumj-presentations/Logical/sms.db", 9, 0, "iOS 5: text in column 3, no handle table"},
      {"mvt/tests/artifacts/ios_backup/3d/3d0d7e5fb2ce288813306e4d4636395e047a3d28", 3, 1, "iOS 14, 74 columns"},
      {"plaso/test_data/sqlite/imessage_chat.db", 10, 10, "51 columns"},
      {"imessage-exporter/imessage-database/test_data/db/test.db", 452567, 0, "91 columns, bodies only in attributedBody"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.file) + ": " + c.why);
    const fs::path db = Anchors() / c.file;
    ASSERT_TRUE(fs::exists(db));
    const auto size = fs::file_size(db);
    MessageMap grouped;
    std::uint64_t highest = 0;
    EXPECT_EQ(RecoverMessages(db, book, grouped, ParseContext{1, nullptr, nullptr, 0, 10}, highest), 0);
    EXPECT_EQ(highest, c.highestRowid);
    std::size_t live = 0;
    for (const auto& [key, list] : grouped)
      for (const auto& m : list) {
        live += m.status == RecordStatus::Live;
        EXPECT_FALSE(m.text.empty());
      }
    EXPECT_EQ(live, c.live);
    fixtures::TempDir out;
    EXPECT_EQ(DumpMessageRows(db, out / "sms.csv", highest), 0);
    EXPECT_GE(LineCount(out / "sms.csv"), c.live);
    EXPECT_EQ(fs::file_size(db), size);
  }
  EXPECT_EQ(fixtures::ReadFileBytes(wal), walBefore);
}

TEST(AnchorDatabasesTest, AddressBooks) {
  if (!fs::exists(Anchors())) GTEST_SKIP() << "no anchors folder";
  // iOS 15: nine people, six with a phone number (two of them the same card twice).
  const fs::path josh = AddressBookOf("josh_ios15_ffs", "filesystem2/mobile");
  std::vector<ContactRecord> contacts;
  std::uint64_t highest = 0;
  ASSERT_EQ(RecoverContacts(josh, true, contacts, highest), 0);
  EXPECT_EQ(highest, 9u);
  std::vector<std::string> seen;
  for (const auto& c : contacts) seen.push_back(Utf16ToUtf8(c.name) + "|" + Utf16ToUtf8(c.phones));
  EXPECT_EQ(seen, (std::vector<std::string>{"JoshHickman|579-0479\n391-2507", "Liz|208-4530",
                                            "No Name|1-800-MY-APPLE\n+18006927753", "This IsDFIR Two|888-7386",
                                            "This IsDFIR Two|888-7386", "ThomDe'Fer|802-7080"}));
  fixtures::TempDir out;
  EXPECT_EQ(DumpContactRows(josh, out / "Contacts.csv", highest), 0);
  EXPECT_EQ(LineCount(out / "Contacts.csv"), 9u);

  // Shells whose people are all in the -wal, a book without the search table (iOS 5) and an
  // empty one: no contact, no row, no error.
  for (const fs::path& empty :
       {AddressBookOf("belkasoft_ctf6_ios_device1", "private/var/mobile"),
        AddressBookOf("mvs_ios_2023", "private/var/mobile"), Anchors() / "unit21-ngdc-tracy/AddressBook.sqlitedb",
        Anchors() / "otapki-iphone/Library/AddressBook/AddressBook.sqlitedb"}) {
    SCOPED_TRACE(empty.string());
    for (const bool flag : {false, true}) {
      EXPECT_EQ(RecoverContacts(empty, flag, contacts, highest), 0);
      EXPECT_TRUE(contacts.empty());
    }
    fixtures::TempDir dump;
    EXPECT_EQ(DumpContactRows(empty, dump / "Contacts.csv", 0), 0);
    EXPECT_EQ(LineCount(dump / "Contacts.csv"), 0u);
  }
}

}  // namespace
}  // namespace vesmar
