#include "tests/drivers/conversation_scenario.h"

namespace vesmar::testing {

using fixtures::AddressBookDatabase;
using fixtures::AddressBookLayout;
using fixtures::FixtureMessage;
using fixtures::FixturePerson;
using fixtures::MessageLayout;
using fixtures::SmsDatabase;

namespace {

void BuildAddressBook(const std::filesystem::path& path, AddressBookLayout layout) {
  AddressBookDatabase book(path, layout);
  // An older card for the same number, deleted: the live card comes first and names the number.
  const long long old = book.AddPerson({"Alicia", "Old", "", {"(555) 010-0123"}, {}, "", "", ""});
  book.AddPerson({"Alice", "Smith", "Acme", {"(555) 010-0123", "555-010-9999"}, {"alice@example.com"}, "", "", ""});
  // Two cards hold the same number; the first one names it.
  book.AddPerson({"Carol", "", "", {"555-040-0111"}, {}, "", "", ""});
  book.AddPerson({"Carla", "", "", {"+1 555 040 0111"}, {}, "", "", ""});
  book.AddPerson({"Dave", "", "", {"555-030-0789"}, {}, "", "", ""});
  // Bob's e-mail address is not in a phones column, so messages from it get no name.
  book.AddPerson({"Bob", "", "", {}, {"bob@example.com"}, "", "", ""});
  book.DeletePerson(old);
}

}  // namespace

ConversationScenario BuildConversations(const std::filesystem::path& folder, MessageLayout layout) {
  ConversationScenario s;
  s.messages = folder / "sms.db";
  s.addressBook = folder / "AddressBook.sqlitedb";
  s.newSchema = static_cast<int>(layout) >= 68;
  BuildAddressBook(s.addressBook, s.newSchema ? AddressBookLayout::Ios15 : AddressBookLayout::Ios7);

  SmsDatabase sms(s.messages, layout);
  struct Correspondent {
    long long handle;
    std::string address, name;
  };
  const Correspondent alice{sms.AddHandle("+15550100123"), "+15550100123", "AliceSmith"};
  const Correspondent bob{sms.AddHandle("bob@example.com", "iMessage"), "bob@example.com", ""};
  const Correspondent dave{sms.AddHandle("+15550300789"), "+15550300789", "Dave"};
  const Correspondent carol{sms.AddHandle("+15550400111"), "+15550400111", "Carol"};
  s.goneHandle = dave.handle;

  const auto add = [&](const Correspondent& c, const std::string& text, std::int64_t seconds, bool fromMe,
                       int nanoseconds = -1) -> ScenarioMessage& {
    FixtureMessage m;
    m.handleId = c.handle;
    m.text = text;
    m.appleSeconds = seconds;
    m.fromMe = fromMe;
    m.nanoseconds = nanoseconds;
    ScenarioMessage e{c.handle, sms.AddMessage(m), text, seconds, fromMe, c.address, c.name, "", false};
    s.all.push_back(e);
    return s.all.back();
  };

  const Correspondent* const talking[] = {&alice, &bob, &carol};
  for (int i = 0; i < 24; ++i)
    add(*talking[i % 3], "Message " + std::to_string(i) + " of the day, about the weekend plans", 600'000'000 + i * 3600,
        i % 3 == 0);
  add(bob, "Grüße aus Köln 😀 – \"quoted\" and 'single'", 600'100'000, false);
  std::string longText = "A long story: ";
  while (longText.size() < 6000) longText += "and then it went on for a while, ";
  add(bob, longText, 600'100'100, true);
  // Seconds where the layout would store nanoseconds, and the other way round: same date text.
  add(carol, "Stored in the other unit", 600'100'200, false, static_cast<int>(layout) >= 68 ? 0 : 1);
  {
    ScenarioMessage& photo = add(alice, "Two photos", 600'100'300, true);
    sms.AddAttachment(photo.rowid, "~/Library/SMS/Attachments/1a/10/IMG_0001.jpeg");
    sms.AddAttachment(photo.rowid, "~/Library/SMS/Attachments/1a/10/IMG_0002.jpeg");
    photo.attachment = "~/Library/SMS/Attachments/1a/10/IMG_0001.jpeg";
  }
  // Written last, dated first.
  add(alice, "Sent before all the others", 599'000'000, false);
  for (int i = 0; i < 4; ++i) add(dave, "Dave's secret " + std::to_string(i), 600'200'000 + i * 60, i % 2 == 1);

  const auto remove = [&](std::size_t index) {
    sms.DeleteMessage(s.all[index].rowid);
    s.all[index].deleted = true;
  };
  for (const std::size_t i : {7u, 8u, 15u}) remove(i);
  for (std::size_t i = 0; i < s.all.size(); ++i)
    if (s.all[i].handleId == dave.handle) remove(i);
  // The conversation is gone; so is its handle, which carved messages therefore cannot name.
  sms.db().Exec("DELETE FROM chat_handle_join WHERE handle_id = " + std::to_string(dave.handle) +
                "; DELETE FROM handle WHERE ROWID = " + std::to_string(dave.handle) + ";");
  for (const auto& m : s.all)
    if (!m.deleted && m.rowid > s.highestLiveRowid) s.highestLiveRowid = m.rowid;
  return s;
}

}  // namespace vesmar::testing
