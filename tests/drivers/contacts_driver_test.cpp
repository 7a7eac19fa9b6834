#include "sqlite_recovery/contacts_driver.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <random>

#include "platform/text.h"
#include "sqlite_recovery/contact_name_lookup.h"
#include "sqlite_recovery/contact_parser.h"
#include "sqlite_recovery/sqlite_recovery_file.h"
#include "tests/fixtures/address_book_fixture.h"
#include "tests/fixtures/temp_dir.h"

namespace vesmar {
namespace {

using fixtures::AddressBookDatabase;
using fixtures::AddressBookLayout;
using fixtures::FixturePerson;

TEST(CleanPhoneListTest, KeepsOneSpellingOfEachNumber) {
  struct Case {
    const char16_t* phones;
    const char16_t* cleaned;
  };
  const Case cases[] = {
      // Tokens of 2, 5, 8 and 11 characters: the short ones go, the last repeats the ending.
      {u"+1 (919) 208-4530 +19192084530 ", u"208-4530"},
      // Two numbers in all their spellings, as the device writes them.
      {u"(919) 579-0479 +19195790479 01119195790479 0019195790479 19195790479 9195790479 5790479 (919) 391-2507 "
       u"+19193912507 01119193912507 0019193912507 19193912507 9193912507 3912507 ",
       u"579-0479\n391-2507"},
      // Only the kept token before a candidate counts: A B A keeps all three.
      {u"5550001111 5550002222 5550001111 ", u"5550001111\n5550002222\n5550001111"},
      // A final token without a space after it is not looked at.
      {u"5551234567", u""},
      {u"5551234567 5559876543", u"5551234567"},
      // Exactly 7 characters is long enough; 6 is not.
      {u"1234567 123456 ", u"1234567"},
      {u"  5551234567  ", u"5551234567"},
      {u"", u""},
  };
  for (const auto& c : cases) EXPECT_EQ(CleanPhoneList(c.phones), c.cleaned) << Utf16ToUtf8(c.phones);
}

class ContactsDriverTest : public ::testing::TestWithParam<AddressBookLayout> {
 protected:
  bool Current() const { return GetParam() == AddressBookLayout::Ios15; }
};

// Name, phones, company, e-mails of a contact, for comparisons.
std::string Describe(const ContactRecord& c) {
  return std::string(RecordStatusName(c.status)) + "|" + Utf16ToUtf8(c.name) + "|" + Utf16ToUtf8(c.phones) + "|" +
         Utf16ToUtf8(c.company) + "|" + Utf16ToUtf8(c.emails) + "|" + Utf16ToUtf8(c.address) + "|" +
         Utf16ToUtf8(c.social) + "|" + Utf16ToUtf8(c.url);
}

TEST_P(ContactsDriverTest, LiveAndDeletedContactsWithCleanedPhonesByName) {
  fixtures::TempDir dir;
  const auto path = dir / "AddressBook.sqlitedb";
  long long highest = 0;
  {
    AddressBookDatabase book(path, GetParam());
    book.AddPerson({"carol", "Jones", "", {"555-030-0303"}, {"carol@example.com", "cj@example.org"}, "", "", ""});
    book.AddPerson({"Alice", "Smith", "Acme", {"(555) 010-0123", "555-010-9999"}, {"alice@example.com"},
                    "1 Main Street Springfield", "twitter:alice", "https://alice.example.com"});
    const long long gone = book.AddPerson({"Zoe", "Gone", "", {"555-090-0909"}, {}, "", "", ""});
    book.AddPerson({"", "", "Apple Inc.", {"1-800-692-7753"}, {}, "", "", ""});  // a company card
    book.AddPerson({"Bob", "", "", {}, {"bob@example.com"}, "", "", ""});         // no phone: not listed
    highest = book.AddPerson({"Émile", "Zola", "", {"+33 1 23 45 67 89"}, {}, "", "", ""});
    book.DeletePerson(gone);
  }
  std::vector<ContactRecord> contacts(3);  // replaced, not appended to
  std::uint64_t highestRowid = 0;
  ASSERT_EQ(RecoverContacts(path, Current(), contacts, highestRowid), 0);
  EXPECT_EQ(highestRowid, static_cast<std::uint64_t>(highest));

  std::vector<std::string> live, deleted;
  for (const auto& c : contacts) (c.status == RecordStatus::Live ? live : deleted).push_back(Describe(c));
  EXPECT_EQ(live, (std::vector<std::string>{
                      "Live|AliceSmith|010-0123\n555-010-9999|Acme|alice@example.com|1 Main Street "
                      "Springfield|twitter:alice|https://alice.example.com",
                      "Live|carolJones|555-030-0303||carol@example.com cj@example.org|||",
                      "Live|No Name|1-800-692-7753|Apple Inc.||||",
                      "Live|ÉmileZola|33123456789|||||",
                  }));
  // The deleted card comes back from the free space of its page.
  EXPECT_EQ(deleted, std::vector<std::string>{"Deleted|ZoeGone|555-090-0909|||||"});
}

TEST_P(ContactsDriverTest, TheLayoutFlagPicksThePhonesColumn) {
  fixtures::TempDir dir;
  const auto path = dir / "AddressBook.sqlitedb";
  {
    AddressBookDatabase book(path, GetParam());
    book.AddPerson({"Alice", "Smith", "", {"555-010-0123"}, {"alice@example.com"}, "", "", ""});
  }
  for (const bool flag : {false, true}) {
    std::vector<ContactRecord> contacts;
    std::uint64_t highest = 0;
    ASSERT_EQ(RecoverContacts(path, flag, contacts, highest), 0);
    const bool right = flag == Current();
    ASSERT_EQ(contacts.size(), 1u);
    EXPECT_EQ(contacts[0].phones == u"555-010-0123", right) << "flag " << flag;
    EXPECT_EQ(contacts[0].emails == u"alice@example.com", right) << "flag " << flag;
  }
}

TEST_P(ContactsDriverTest, RowsThatFailTheChecks) {
  fixtures::TempDir dir;
  const auto path = dir / "AddressBook.sqlitedb";
  {
    AddressBookDatabase book(path, GetParam());
    book.AddSearchRow("Tab", "", "555-123-4567\t+15551234567 ");  // control character in the phones
    book.AddSearchRow("Frank", "", "5551234567");                  // one number, no space after it
    book.AddSearchRow("", "", "555-777-8888 ");                    // no name
    book.db().Exec("UPDATE ABPersonFullTextSearch SET Email = CAST(X'41FF42' AS TEXT) WHERE docid = 2;");
  }
  CSqliteRecoveryFile file;
  file.settings.ios12OrLater = Current();
  ASSERT_EQ(file.OpenDatabaseFile(path), 0);
  std::vector<ContactRecord> rows;
  ASSERT_EQ(RecoverContactRows(file, rows), 0);
  // Raw rows keep their phones as stored; the rows with a control character or a bad text are
  // rejected whole (Frank's row before the update comes back deleted from the free space).
  std::vector<std::string> live;
  for (const auto& r : rows)
    if (r.status == RecordStatus::Live) live.push_back(Utf16ToUtf8(r.name) + "|" + Utf16ToUtf8(r.phones));
  EXPECT_EQ(live, std::vector<std::string>{"|555-777-8888 "});

  {
    AddressBookDatabase book(path, GetParam());
    book.AddSearchRow("Frank", "", "5551234567");
  }
  std::vector<ContactRecord> contacts;
  std::uint64_t highest = 0;
  ASSERT_EQ(RecoverContacts(path, Current(), contacts, highest), 0);
  ASSERT_EQ(contacts.size(), 1u);
  EXPECT_EQ(contacts[0].name, u"Frank");
  EXPECT_EQ(contacts[0].phones, u"");  // kept, with nothing left of its phones
}

INSTANTIATE_TEST_SUITE_P(Layouts, ContactsDriverTest, ::testing::Values(AddressBookLayout::Ios7, AddressBookLayout::Ios15),
                         [](const auto& info) { return info.param == AddressBookLayout::Ios7 ? "Ios7" : "Ios15"; });

TEST(ContactsDriverTest, UnopenableAddressBookGivesAnEmptyList) {
  fixtures::TempDir dir;
  std::vector<ContactRecord> contacts(2);
  std::uint64_t highest = 7;
  EXPECT_EQ(RecoverContacts(dir / "missing", false, contacts, highest), ENOENT);
  EXPECT_TRUE(contacts.empty());
}

// The plain rule the lookup must agree with.
const std::u16string* FirstContactWithAddress(const std::vector<ContactRecord>& contacts, std::u16string_view address) {
  if (address.empty()) return nullptr;
  for (const auto& c : contacts)
    if (c.phones.find(address) != std::u16string::npos) return &c.name;
  return nullptr;
}

TEST(ContactNameLookupTest, FirstContactWhosePhonesHoldTheAddress) {
  std::vector<ContactRecord> contacts(5);
  contacts[0].name = u"No phones";
  contacts[1].name = u"Carol";
  contacts[1].phones = u"555-040-0111 +15550400111 ";
  contacts[2].name = u"Carla";
  contacts[2].phones = u"+15550400111 5550400111 Bob@Example.com ";
  contacts[3].name = u"";  // a raw row without a name still names its number (with nothing)
  contacts[3].phones = u"+15550999999 ";
  contacts[4].name = u"Last";
  contacts[4].phones = u"777";
  ContactNameLookup lookup(contacts);
  struct Case {
    const char16_t* address;
    const char16_t* name;  // nullptr: no contact
  };
  const Case cases[] = {
      {u"+15550400111", u"Carol"}, {u" 5550400111", u"Carla"},
      {u"0400111 ", u"Carol"},     {u"Bob@Example.com", u"Carla"},
      {u"bob@example.com", nullptr},  // letter case counts
      {u"+15550999999", u""},      {u"777", u"Last"},
      {u"11 +1", u"Carol"},        {u"+15550400111 5550400111 Bob@Example.com  ", nullptr},
      {u"", nullptr},              {u"\x01", nullptr},
  };
  for (int round = 0; round < 2; ++round)  // the second round answers from the cache
    for (const auto& c : cases) {
      const std::u16string* found = lookup.Find(c.address);
      ASSERT_EQ(found == nullptr, c.name == nullptr) << Utf16ToUtf8(c.address);
      if (found) {
        EXPECT_EQ(*found, c.name) << Utf16ToUtf8(c.address);
      }
    }
}

TEST(ContactNameLookupTest, AgreesWithTheScanInOrderOnRandomBooks) {
  std::mt19937 random(20240611);
  const auto digits = [&](int n) {
    std::u16string s;
    for (int i = 0; i < n; ++i) s += static_cast<char16_t>(u'0' + random() % 4);  // few digits: many overlaps
    return s;
  };
  for (int book = 0; book < 20; ++book) {
    std::vector<ContactRecord> contacts(1 + random() % 40);
    for (std::size_t i = 0; i < contacts.size(); ++i) {
      contacts[i].name = u"n" + digits(3);
      for (int k = random() % 3; k > 0; --k) contacts[i].phones += digits(3 + random() % 6) + u" ";
      if (random() % 10 == 0) contacts[i].phones += u'\x01';  // not from the parser: the plain search
    }
    ContactNameLookup lookup(contacts);
    for (int probe = 0; probe < 200; ++probe) {
      const std::u16string address = digits(1 + random() % 5);
      const std::u16string* expected = FirstContactWithAddress(contacts, address);
      const std::u16string* found = lookup.Find(address);
      ASSERT_EQ(found == nullptr, expected == nullptr) << Utf16ToUtf8(address);
      if (found) {
        EXPECT_EQ(*found, *expected);
      }
    }
  }
}

}  // namespace
}  // namespace vesmar
