#include <gtest/gtest.h>

#include <cerrno>
#include <ctime>
#include <sstream>

#include "sqlite_recovery/contact_dump.h"
#include "sqlite_recovery/contacts_driver.h"
#include "sqlite_recovery/date_text.h"
#include "sqlite_recovery/message_dump.h"
#include "tests/fixtures/address_book_fixture.h"
#include "tests/fixtures/deleted_rows_fixture.h"
#include "tests/fixtures/messages_fixture.h"
#include "tests/fixtures/temp_dir.h"

namespace vesmar {
namespace {

using fixtures::AddressBookDatabase;
using fixtures::AddressBookLayout;
using fixtures::MessageLayout;
using fixtures::SmsDatabase;

std::vector<std::string> Lines(const std::filesystem::path& path) {
  const std::string bytes = fixtures::ReadFileBytes(path);
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(bytes.substr(start, end - start));
  EXPECT_EQ(start, bytes.size()) << "the file ends with a whole line";
  return lines;
}

std::int64_t AppleNow() { return static_cast<std::int64_t>(std::time(nullptr)) - kAppleEpochOffset; }

constexpr const char* kAccountGuid = "0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9";

// All 38 columns of the older layout, one value of each kind (integers in columns of integer
// affinity, so they stay integers).
std::string MessageRowValues(const std::string& rowid, const std::string& text, const std::string& accountGuid,
                             bool fromMe) {
  return rowid + ", " + fixtures::Quote(SmsDatabase::GuidOf(std::stoll(rowid))) + ", " + fixtures::Quote(text) + ", 300, NULL, 1, '', NULL, X'00FF10', 100000, " +
         "-5, 'SMS', 'p:+1', " + fixtures::Quote(accountGuid) + ", 2147483647, 600000000, 600000000123456789, 1.5, " +
         "1, 0, 0, " + (fromMe ? "1" : "0") + ", 0, 1099511627776, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, X'', 0, 0";
}

// The line of such a row; `now` stands in for the values a deleted row is given.
std::string MessageRowLine(const std::string& rowid, const std::string& guid, const std::string& textPiece,
                           bool deleted, bool fromMe, std::int64_t now) {
  const std::string n = std::to_string(now) + ",";
  std::string line = rowid + ",\"" + guid + "\"," + textPiece + "300,NULL,1,NULL,NULL,00ff10,100000,-5,\"SMS\",\"p:+1\",\"" +
                     kAccountGuid + "\",2147483647,";
  line += deleted ? n : "600000000,";                      // 15 date
  line += deleted ? (fromMe ? "0," : n) : ",";             // 16 date read (8 bytes: no value)
  line += ",1,";                                           // 17 a double, 18
  line += deleted ? "1," : "0,";                           // 19 finished
  line += std::string("0,") + (fromMe ? "1," : "0,") + "0,,0,0,";  // 20 to 25 (23: 6 bytes)
  line += deleted ? (fromMe ? "0," : "1,") : "0,";         // 26 read
  line += "0,0,0,0,0,0,0,0,0,0";                           // 27 to 34, 36, 37 (35: empty blob)
  return line;
}

TEST(MessageRowDumpTest, OneLinePerRowWithEachKindOfValue) {
  fixtures::TempDir dir;
  const auto db = dir / "sms.db";
  {
    SmsDatabase sms(db, MessageLayout::Columns38);
    // Live rows 1 to 41; 10 and 12 deleted (12 with an account guid one character short).
    for (int rowid = 1; rowid <= 41; ++rowid) {
      const std::string id = std::to_string(rowid);
      const std::string guid = rowid == 12 ? std::string(kAccountGuid).substr(1) : kAccountGuid;
      sms.db().Exec("INSERT INTO message VALUES (" +
                    MessageRowValues(id, "He said \"hi\" and it's row " + id, guid, rowid == 10) + ");");
    }
    sms.db().Exec("DELETE FROM message WHERE ROWID IN (10, 12);");
  }
  const auto out = dir / "sms.csv";
  const std::int64_t before = AppleNow();
  ASSERT_EQ(DumpMessageRows(db, out, 41), 0);
  const std::int64_t after = AppleNow();
  const auto lines = Lines(out);
  ASSERT_GE(lines.size(), 40u);

  for (int rowid = 1; rowid <= 41; ++rowid) {
    if (rowid == 10 || rowid == 12) continue;
    const std::string id = std::to_string(rowid);
    EXPECT_EQ(lines[rowid - 1 - (rowid > 10) - (rowid > 12)],
              MessageRowLine(id, SmsDatabase::GuidOf(rowid), "\"He said \"\"hi\"\" and it''s row " + id + "\",", false, false, 0));
  }
  // Deleted rows follow, numbered from the mark on; row 10 keeps all its values but the marks of
  // a deleted message, row 12 (account guid of 35 characters) is left out.
  std::vector<std::string> deleted(lines.begin() + 39, lines.end());
  ASSERT_FALSE(deleted.empty());
  EXPECT_EQ(deleted[0].substr(0, 3), "42,");
  bool found = false;
  for (std::size_t i = 0; i < deleted.size(); ++i) {
    char number[16];
    std::snprintf(number, sizeof number, "%012zX", 42 + i);
    EXPECT_EQ(deleted[i].substr(0, deleted[i].find(',')), std::to_string(42 + i));
    EXPECT_NE(deleted[i].find(std::string("\"27B99F78-F6F0-475F-8BA1-") + number + "\","), std::string::npos) << deleted[i];
    EXPECT_EQ(deleted[i].find("row 12\""), std::string::npos) << deleted[i];
    if (deleted[i].find("row 10\"") == std::string::npos) continue;
    found = true;
    const std::string id = std::to_string(42 + i);
    const std::string text = "\"He said \"\"hi\"\" and it''s row 10\",";
    const std::string guid = std::string("27B99F78-F6F0-475F-8BA1-") + number;
    EXPECT_TRUE(deleted[i] == MessageRowLine(id, guid, text, true, true, before) ||
                deleted[i] == MessageRowLine(id, guid, text, true, true, after))
        << deleted[i];
  }
  EXPECT_TRUE(found) << "row 10 carved from its freeblock";
}

TEST(MessageRowDumpTest, ValuesOfAnyLengthAndTheOutputFile) {
  fixtures::TempDir dir;
  const auto db = dir / "sms.db";
  {
    SmsDatabase sms(db, MessageLayout::Columns68);
    // 9 MiB of text: more than a scratch buffer of 8 MiB would hold.
    sms.db().Exec("INSERT INTO message (guid, text, handle_id, date) VALUES ('G', hex(zeroblob(4718592)), 2, 5);");
  }
  const auto out = dir / "sms.csv";
  ASSERT_EQ(DumpMessageRows(db, out, 0), 0);
  ASSERT_EQ(DumpMessageRows(db, out, 0), 0);  // appends
  const auto lines = Lines(out);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], lines[1]);
  EXPECT_EQ(lines[0].substr(0, 7), "1,\"G\",\"");
  EXPECT_NE(lines[0].find("\"" + std::string(9 * 1024 * 1024, '0') + "\",0,NULL,2,"), std::string::npos);

  EXPECT_EQ(DumpMessageRows(db, dir / "no-such-folder" / "sms.csv", 0), ENOENT);
  EXPECT_EQ(DumpMessageRows(dir / "missing.db", out, 0), ENOENT);
  EXPECT_EQ(Lines(out).size(), 2u);
}

// Contact rows with a value of each kind; the last column of the layout holds `last`.
std::string ContactRowSql(AddressBookLayout layout, const std::string& docid, const std::string& last) {
  std::string sql = "INSERT INTO ABPersonFullTextSearch (docid, First, Last, Middle, FirstPhonetic, MiddlePhonetic, "
                    "LastPhonetic, Organization, ";
  sql += layout == AddressBookLayout::Ios15 ? "OrganizationPhonetic, Department, Note" : "Department, Note";
  sql += ", Birthday, JobTitle, Nickname, Prefix, Suffix, DisplayName, Phone, Email, Address, SocialProfile, URL, "
         "RelatedNames, IM, Date";
  sql += layout == AddressBookLayout::Ios15 ? ", SupplementalCompositeNameTerms" : "";
  sql += ") VALUES (" + docid + ", 'Ann \"A\" O''Neil', '', NULL, 7, 300, 100000, 2147483647, ";
  if (layout == AddressBookLayout::Ios15) sql += "NULL, ";
  sql += std::string("1099511627776, 4611686018427387904, 1.5, 0, 1, X'', X'AB', 'Ann', '555-123-4567 ', NULL, NULL, ") +
         "NULL, NULL, NULL, NULL, " + (layout == AddressBookLayout::Ios15 ? "NULL, " : "") + last + ");";
  return sql;
}

std::string ContactRowLine(AddressBookLayout layout, const std::string& rowid, const std::string& last) {
  return rowid + ",\"Ann \"\"A\"\" O''Neil\",NULL,NULL,7,300,100000,2147483647," +
         (layout == AddressBookLayout::Ios15 ? "NULL," : "") +
         ",,,\"Ann\",\"555-123-4567 \",NULL,NULL,NULL,NULL,NULL,NULL," +
         (layout == AddressBookLayout::Ios15 ? "NULL," : "") + last;
}

class ContactRowDumpTest : public ::testing::TestWithParam<AddressBookLayout> {};

TEST_P(ContactRowDumpTest, OneLinePerRowEndingAtItsLastColumn) {
  fixtures::TempDir dir;
  const auto db = dir / "AddressBook.sqlitedb";
  const bool current = GetParam() == AddressBookLayout::Ios15;
  {
    AddressBookDatabase book(db, GetParam());
    book.db().Exec(ContactRowSql(GetParam(), "5", "'last'"));
    book.db().Exec(ContactRowSql(GetParam(), "6", "NULL"));
    book.AddPerson({"Zoe", "Gone", "", {"555-090-0909"}, {}, "", "", ""});  // docid 1
    book.AddPerson({"Yan", "Kept", "", {"555-080-0808"}, {}, "", "", ""});  // docid 2
    book.DeletePerson(1);
  }
  const auto out = dir / "Contacts.csv";
  ASSERT_EQ(DumpContactRows(db, out, 100), 0);
  const auto lines = Lines(out);
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[0].substr(0, 2), "2,");
  EXPECT_EQ(lines[0].substr(lines[0].size() - (current ? 10 : 4)), current ? "\"Yan Kept\"" : "NULL");
  EXPECT_EQ(lines[1], ContactRowLine(GetParam(), "5", "\"last\""));
  EXPECT_EQ(lines[2], ContactRowLine(GetParam(), "6", "NULL"));
  // Zoe's row comes back from the free space, numbered after the mark.
  EXPECT_EQ(lines[3].substr(0, 17), "101,\"Zoe\",\"Gone\",");
  EXPECT_NE(lines[3].find("\"555-090-0909 +15550900909 "), std::string::npos);
}

TEST_P(ContactRowDumpTest, ZeroedFreeSpaceIsNoRow) {
  fixtures::TempDir dir;
  const auto db = dir / "AddressBook.sqlitedb";
  {
    AddressBookDatabase book(db, GetParam());
    for (int i = 0; i < 3; ++i) book.AddPerson({"Gone", std::to_string(i), "", {"555-010-0000"}, {}, "", "", ""});
    book.db().Exec("PRAGMA secure_delete=1; DELETE FROM ABPersonFullTextSearch;");
  }
  ASSERT_EQ(DumpContactRows(db, dir / "Contacts.csv", 0), 0);
  EXPECT_EQ(fixtures::ReadFileBytes(dir / "Contacts.csv"), "");
  std::vector<ContactRecord> contacts;
  std::uint64_t highest = 0;
  ASSERT_EQ(RecoverContacts(db, GetParam() == AddressBookLayout::Ios15, contacts, highest), 0);
  EXPECT_TRUE(contacts.empty());
}

INSTANTIATE_TEST_SUITE_P(Layouts, ContactRowDumpTest, ::testing::Values(AddressBookLayout::Ios7, AddressBookLayout::Ios15),
                         [](const auto& info) { return info.param == AddressBookLayout::Ios7 ? "Ios7" : "Ios15"; });

}  // namespace
}  // namespace vesmar
