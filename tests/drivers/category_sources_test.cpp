// Both scan sources hand their call history, notes and WhatsApp databases to the drivers: the
// backup folder in place (the call database of current devices before the older one, the WhatsApp
// database found through the manifest), the device through its working copies.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <future>
#include <random>

#include "platform/text.h"
#include "recovery/device_recovery.h"
#include "recovery/itunes_backup.h"
#include "recovery/parser_factory.h"
#include "recovery/scan_run.h"
#include "recovery/working_folders.h"
#include "sqlite_recovery/calls_driver.h"
#include "sqlite_recovery/notes_driver.h"
#include "sqlite_recovery/whatsapp_driver.h"
#include "tests/fixtures/address_book_fixture.h"
#include "tests/fixtures/backup_builder.h"
#include "tests/fixtures/call_history_fixture.h"
#include "tests/fixtures/deleted_rows_fixture.h"
#include "tests/fixtures/demo_backup.h"
#include "tests/fixtures/notes_fixture.h"
#include "tests/fixtures/progress_recorder.h"
#include "tests/fixtures/temp_dir.h"
#include "tests/fixtures/whatsapp_fixture.h"

namespace vesmar {
namespace {

namespace fs = std::filesystem;
using fixtures::CallLayout;

struct Databases {
  fs::path calls, olderCalls, notes, chats, book;
};

// One of each database: a call from a contact and a deleted one, a note and a deleted note with
// its body, a chat with a message and a deleted one. The older call database holds a call that
// must not be read while the current one is there.
Databases MakeDatabases(const fs::path& folder, bool ios12) {
  fs::create_directories(folder);
  Databases d{folder / "CallHistory.storedata", folder / "call_history.db", folder / "notes.sqlite",
              folder / "ChatStorage.sqlite", folder / "AddressBook.sqlitedb"};
  {
    fixtures::AddressBookDatabase book(d.book, ios12 ? fixtures::AddressBookLayout::Ios15
                                                     : fixtures::AddressBookLayout::Ios7);
    book.AddPerson({"Alice", "Smith", "", {"(919) 888-7386"}, {}, "", "", ""});
  }
  {
    fixtures::CallHistoryDatabase calls(d.calls, ios12 ? CallLayout::CallRecordIos12 : CallLayout::CallRecord);
    calls.AddCall({"9198887386", "600000100", "42", false});
    const long long gone = calls.AddCall({"+15550177", "600000200", "7", true});
    calls.AddCall({"+15550199", "600000300", "0", true});
    calls.DeleteCall(gone);
  }
  {
    fixtures::CallHistoryDatabase older(d.olderCalls, CallLayout::Call);
    older.AddCall({"+15550000", "1578307300", "5", false});
  }
  {
    fixtures::NotesDatabase notes(d.notes);
    notes.AddNote("Groceries", "<div>Milk</div>");
    const auto gone = notes.AddNote("Old plan", "Meet at noon");
    notes.AddNote("Later", "Call back");
    notes.DeleteBody(gone.body);
    notes.DeleteNoteRow(gone.note);
  }
  {
    fixtures::WhatsAppDatabase chats(d.chats);
    const long long bob = chats.AddChat("15550100@s.whatsapp.net", "Bob");
    chats.AddMessage({bob, 0, 0, false, "Hello there", "650000000"});
    const long long gone = chats.AddMessage({bob, 0, 0, true, "Forget what I said", "650000010"});
    chats.AddMessage({bob, 0, 0, true, "See you", "650000020"});
    chats.DeleteMessage(gone);
  }
  return d;
}

using Recorder = fixtures::ProgressRecorder;

std::size_t CountStatus(const auto& list, RecordStatus status) {
  return static_cast<std::size_t>(
      std::count_if(list.begin(), list.end(), [status](const auto& r) { return r.status == status; }));
}

// Runs the three steps and checks what every source must give and how far each step moves.
void ParseCategories(IPhoneRecoveryParse& parser, Recorder& rec, int stepWidth) {
  std::vector<CallRecord> calls;
  int before = rec.reports.empty() ? 0 : rec.reports.back();
  EXPECT_EQ(parser.ParseCallHistory(calls), 0);
  EXPECT_EQ(rec.reports.back(), before + stepWidth / 2);
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].address, u"9198887386");
  EXPECT_EQ(calls[0].name, u"AliceSmith");
  EXPECT_EQ(calls[1].address, u"+15550177");
  EXPECT_EQ(calls[1].status, RecordStatus::Deleted);
  EXPECT_EQ(calls[2].address, u"+15550199");

  std::vector<NoteRecord> notes;
  before = rec.reports.back();
  EXPECT_EQ(parser.ParseNotes(notes), 0);
  EXPECT_EQ(rec.reports.back(), before + stepWidth / 2);
  EXPECT_EQ(CountStatus(notes, RecordStatus::Live), 2u);
  const auto deletedNote = std::find_if(notes.begin(), notes.end(), [](const auto& n) { return n.content == u"Meet at noon"; });
  ASSERT_NE(deletedNote, notes.end());
  EXPECT_EQ(deletedNote->status, RecordStatus::Deleted);

  WhatsAppChatMap chats{{42, {WhatsAppMessageRecord{}}}};  // replaced
  before = rec.reports.back();
  const std::size_t reportsBefore = rec.reports.size();
  EXPECT_EQ(parser.ParseWhatsApp(chats), 0);
  // Its inner points lie within its share, in order.
  for (std::size_t i = reportsBefore; i < rec.reports.size(); ++i) {
    EXPECT_GE(rec.reports[i], before);
    EXPECT_LE(rec.reports[i], before + stepWidth);
    if (i > reportsBefore) {
      EXPECT_LE(rec.reports[i - 1], rec.reports[i]);
    }
  }
  EXPECT_EQ(rec.reports.size(), reportsBefore + 3);
  EXPECT_EQ(rec.reports.back(), before + stepWidth);
  ASSERT_EQ(chats.size(), 1u);
  const auto& bob = chats.at(1);
  ASSERT_EQ(bob.size(), 3u);
  EXPECT_EQ(bob[0].text, u"Hello there");
  EXPECT_EQ(bob[0].senderName, u"Bob");
  EXPECT_EQ(bob[1].text, u"Forget what I said");
  EXPECT_EQ(bob[1].status, RecordStatus::Deleted);
  EXPECT_EQ(bob[2].senderName, u"Me");
}

TEST(CategorySourcesTest, BackupFolderReadsItsDatabasesInPlace) {
  fixtures::TempDir dir;
  const Databases d = MakeDatabases(dir / "made", true);
  fixtures::BackupBuilder b(dir / "backup", fixtures::ManifestFormat::Db);
  b.AddFile("HomeDomain", "Library/AddressBook/AddressBook.sqlitedb", fixtures::ReadFileBytes(d.book));
  b.AddFile("HomeDomain", "Library/CallHistoryDB/CallHistory.storedata", fixtures::ReadFileBytes(d.calls));
  b.AddFile("WirelessDomain", "Library/CallHistory/call_history.db", fixtures::ReadFileBytes(d.olderCalls));
  b.AddFile("HomeDomain", "Library/Notes/notes.sqlite", fixtures::ReadFileBytes(d.notes));
  b.AddFile("AppDomainGroup-group.net.whatsapp.WhatsApp.shared", "ChatStorage.sqlite", fixtures::ReadFileBytes(d.chats));
  b.AddFile("AppDomainGroup-group.net.whatsapp.WhatsApp.shared", "Contacts.sqlite", "contacts");
  b.Write();
  const std::string callsBefore =
      fixtures::ReadFileBytes(b.PathOf("HomeDomain", "Library/CallHistoryDB/CallHistory.storedata"));
  const std::string chatsBefore =
      fixtures::ReadFileBytes(b.PathOf("AppDomainGroup-group.net.whatsapp.WhatsApp.shared", "ChatStorage.sqlite"));

  CItunesBackup backup;
  BackupEntry entry;
  entry.folder = b.folder();
  entry.newSchema = 1;
  backup.SetEntry(entry);
  auto parser = CreateParser(1, &backup);
  ASSERT_TRUE(parser);
  Recorder rec;
  parser->SetProgressCallback(&Recorder::Callback, &rec);
  ASSERT_EQ(parser->Open(u""), 0);
  ParseCategories(*parser, rec, 11);
  EXPECT_EQ(fixtures::ReadFileBytes(b.PathOf("HomeDomain", "Library/CallHistoryDB/CallHistory.storedata")),
            callsBefore);
  EXPECT_EQ(fixtures::ReadFileBytes(b.PathOf("AppDomainGroup-group.net.whatsapp.WhatsApp.shared", "ChatStorage.sqlite")),
            chatsBefore);
}

TEST(CategorySourcesTest, BackupWithoutCurrentCallDatabaseReadsTheOlderOne) {
  fixtures::TempDir dir;
  const Databases d = MakeDatabases(dir / "made", false);
  fixtures::BackupBuilder b(dir / "backup", fixtures::ManifestFormat::Mbdb);
  b.AddFile("WirelessDomain", "Library/CallHistory/call_history.db", fixtures::ReadFileBytes(d.olderCalls));
  b.Write();
  CItunesBackup backup;
  BackupEntry entry;
  entry.folder = b.folder();
  backup.SetEntry(entry);
  ASSERT_EQ(backup.Open(u""), 0);
  std::vector<CallRecord> calls;
  // Without an address book the call comes without a name (the missing file is no stop).
  EXPECT_EQ(backup.ParseCallHistory(calls), 87);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].address, u"+15550000");
  // Without notes and WhatsApp databases those steps deliver nothing.
  std::vector<NoteRecord> notes;
  WhatsAppChatMap chats;
  EXPECT_EQ(backup.ParseNotes(notes), 87);
  EXPECT_NE(backup.ParseWhatsApp(chats), 0);
  EXPECT_TRUE(notes.empty());
  EXPECT_TRUE(chats.empty());
}

TEST(CategorySourcesTest, DeviceReadsItsWorkingCopies) {
  fixtures::TempDir dir;
  const Databases d = MakeDatabases(dir / "made", false);
  CDeviceRecovery device;  // without a device the session keeps the older layout flag
  const fs::path work = TempBackupRoot();
  fs::create_directories(work);
  const auto copy = [&](const fs::path& from, const char* name) {
    fs::copy_file(from, work / name, fs::copy_options::overwrite_existing);
  };
  copy(d.book, kWorkingAddressBook);
  copy(d.calls, kWorkingCallHistory);
  copy(d.notes, kWorkingNotes);
  copy(d.chats, kWorkingWhatsApp);
  Recorder rec;
  device.SetProgressCallback(&Recorder::Callback, &rec);
  ParseCategories(device, rec, 0);
}

// The databases with random bytes overwritten: every driver finishes, and what it delivers still
// has what a record must have (the sanitizer build checks that no read strays).
TEST(CategorySourcesTest, DamagedDatabasesNeverCrash) {
  fixtures::TempDir dir;
  const Databases d = MakeDatabases(dir / "made", true);
  const std::string originals[] = {fixtures::ReadFileBytes(d.calls), fixtures::ReadFileBytes(d.notes),
                                   fixtures::ReadFileBytes(d.chats), fixtures::ReadFileBytes(d.book)};
  const fs::path damaged[] = {dir / "calls", dir / "notes", dir / "chats", dir / "book"};
  std::mt19937 random(4321);
  for (int round = 0; round < 40; ++round) {
    for (std::size_t i = 0; i < std::size(originals); ++i) {
      std::string bytes = originals[i];
      for (int k = 0; k < 1 + round * 8; ++k) bytes[random() % bytes.size()] = static_cast<char>(random());
      fixtures::WriteFileBytes(damaged[i], bytes);
    }
    std::vector<CallRecord> calls;
    RecoverCalls(damaged[0], damaged[3], true, calls);
    for (const auto& c : calls) EXPECT_TRUE(!c.address.empty() && !c.date.empty());
    std::vector<NoteRecord> notes;
    RecoverNotes(damaged[1], notes);
    for (const auto& n : notes) EXPECT_TRUE(!n.title.empty() || !n.content.empty());
    WhatsAppChatMap chats;
    RecoverWhatsApp(damaged[2], chats);
    for (const auto& [chat, messages] : chats)
      for (const auto& m : messages) EXPECT_FALSE(m.text.empty());
  }
}

// A FIFO where a database should be (planted in a backup folder) is refused at once: opening one
// for reading would wait for a writer forever. Should a driver still wait, the test opens the
// FIFO's other end itself after a while, so it fails instead of hanging.
TEST(CategorySourcesTest, AFifoInPlaceOfADatabaseIsRefusedAtOnce) {
  fixtures::TempDir dir;
  const fs::path fifo = dir / "pipe";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::function<int()> drivers[] = {
      [&] {
        std::vector<CallRecord> calls;
        return RecoverCalls(fifo, fifo, true, calls);
      },
      [&] {
        std::vector<NoteRecord> notes;
        return RecoverNotes(fifo, notes);
      },
      [&] {
        WhatsAppChatMap chats;
        return RecoverWhatsApp(fifo, chats);
      },
  };
  for (std::size_t i = 0; i < std::size(drivers); ++i) {
    auto run = std::async(std::launch::async, drivers[i]);
    if (run.wait_for(std::chrono::seconds(10)) == std::future_status::timeout) {
      ADD_FAILURE() << "driver " << i << " waits on the FIFO";
      const int writer = open(fifo.c_str(), O_WRONLY);
      if (writer >= 0) close(writer);
    }
    EXPECT_NE(run.get(), 0) << "driver " << i;
  }
}

// The demo backup the command line writes shows each of the three categories with deleted items.
TEST(CategorySourcesTest, DemoBackupHasDeletedCallsNotesAndChats) {
  fixtures::TempDir dir;
  fixtures::WriteDemoBackup(dir / "demo");
  CItunesBackup backup;
  BackupEntry entry;
  entry.folder = dir / "demo";
  entry.newSchema = 1;
  backup.SetEntry(entry);
  auto parser = CreateParser(1, &backup);
  ASSERT_EQ(parser->Open(u""), 0);
  ScanResults r;
  ASSERT_EQ(RunCategorySteps(*parser, r), 0);
  EXPECT_GT(CountStatus(r.calls, RecordStatus::Live), 0u);
  EXPECT_GT(CountStatus(r.calls, RecordStatus::Deleted), 0u);
  EXPECT_GT(CountStatus(r.notes, RecordStatus::Live), 0u);
  EXPECT_GT(CountStatus(r.notes, RecordStatus::Deleted), 0u);
  std::vector<std::u16string> deletedChats;
  for (const auto& [chat, messages] : r.whatsApp)
    for (const auto& m : messages)
      if (m.status == RecordStatus::Deleted) deletedChats.push_back(m.text);
  EXPECT_EQ(deletedChats, (std::vector<std::u16string>{u"Don't tell anyone about the surprise",
                                                       u"The code for the gate is 4711"}));
}

}  // namespace
}  // namespace vesmar
