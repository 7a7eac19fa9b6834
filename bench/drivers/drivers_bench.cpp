// The call history, notes and WhatsApp drivers on large databases with a twentieth of their rows
// deleted, and the table probe against a query that steps through every row:
//   whatsapp/N   RecoverWhatsApp over N messages in 300 chats (10 groups of 20 members)
//   calls/N      RecoverCalls over N calls with an address book of 1,000 people
//   notes/N      RecoverNotes over N notes
//   probe        ProbeTable on the largest WhatsApp database
//   step_all     "SELECT * FROM ZWAMESSAGE" stepped to its end through SQLite
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <filesystem>
#include <map>
#include <string>

#include "recovery/sqlite_uri.h"
#include "sqlite_recovery/calls_driver.h"
#include "sqlite_recovery/notes_driver.h"
#include "sqlite_recovery/table_probe.h"
#include "sqlite_recovery/whatsapp_driver.h"
#include "tests/fixtures/address_book_fixture.h"
#include "tests/fixtures/call_history_fixture.h"
#include "tests/fixtures/deleted_rows_fixture.h"
#include "tests/fixtures/notes_fixture.h"
#include "tests/fixtures/temp_dir.h"
#include "tests/fixtures/whatsapp_fixture.h"

namespace {

namespace fs = std::filesystem;
using namespace vesmar;

fixtures::TempDir& Scratch() {
  static fixtures::TempDir dir;
  return dir;
}

// Each database is made once per size.
fs::path WhatsAppDb(int messages) {
  static std::map<int, fs::path> made;
  if (made.count(messages)) return made[messages];
  const fs::path path = Scratch() / ("ChatStorage-" + std::to_string(messages) + ".sqlite");
  fixtures::WhatsAppDatabase db(path);
  db.db().Exec("BEGIN;");
  for (int c = 0; c < 300; ++c) {
    const bool group = c < 10;
    const long long chat = db.AddChat(std::to_string(15550000 + c) + (group ? "@g.us" : "@s.whatsapp.net"),
                                      "Chat " + std::to_string(c));
    for (int m = 0; group && m < 20; ++m)
      db.AddMember(chat, std::to_string(15560000 + c * 100 + m) + "@s.whatsapp.net", "Member " + std::to_string(m));
  }
  for (int i = 0; i < 2000; ++i) db.AddMedia("Media/" + std::to_string(i) + "/a/b/photo.jpg");
  for (int i = 1; i <= messages; ++i) {
    const long long chat = 1 + i % 300;
    const long long member = chat <= 10 ? 1 + (chat - 1) * 20 + i % 20 : 0;
    const long long media = i % 25 == 0 ? 1 + i % 2000 : 0;
    db.AddMessage({chat, member, media, i % 3 == 0, media ? "" : fixtures::FillerText(10 + i % 120, i),
                   std::to_string(600'000'000 + i * 7)});
  }
  db.db().Exec("COMMIT; DELETE FROM ZWAMESSAGE WHERE Z_PK % 20 = 0;");
  return made[messages] = path;
}

fs::path AddressBook() {
  static fs::path made;
  if (!made.empty()) return made;
  made = Scratch() / "AddressBook.sqlitedb";
  fixtures::AddressBookDatabase book(made, fixtures::AddressBookLayout::Ios15);
  book.db().Exec("BEGIN;");
  for (int i = 0; i < 1000; ++i)
    book.AddPerson({"First" + std::to_string(i), "Last", "", {"(919) 555-" + std::to_string(1000 + i)}, {}, "", "", ""});
  book.db().Exec("COMMIT;");
  return made;
}

fs::path CallsDb(int calls) {
  static std::map<int, fs::path> made;
  if (made.count(calls)) return made[calls];
  const fs::path path = Scratch() / ("calls-" + std::to_string(calls) + ".storedata");
  fixtures::CallHistoryDatabase db(path, fixtures::CallLayout::CallRecordIos12);
  db.db().Exec("BEGIN;");
  for (int i = 1; i <= calls; ++i)
    db.AddCall({"919555" + std::to_string(1000 + i % 1500), std::to_string(600'000'000 + i * 61),
                std::to_string(i % 400), i % 2 == 0});
  db.db().Exec("COMMIT; DELETE FROM ZCALLRECORD WHERE Z_PK % 20 = 0;");
  return made[calls] = path;
}

fs::path NotesDb(int notes) {
  static std::map<int, fs::path> made;
  if (made.count(notes)) return made[notes];
  const fs::path path = Scratch() / ("notes-" + std::to_string(notes) + ".sqlite");
  fixtures::NotesDatabase db(path);
  db.db().Exec("BEGIN;");
  for (int i = 1; i <= notes; ++i)
    db.AddNote("Note " + std::to_string(i), "<div>" + fixtures::FillerText(40 + i % 900, i) + "</div><div>&amp;<br></div>",
               std::to_string(600'000'000 + i));
  db.db().Exec("COMMIT; DELETE FROM ZNOTE WHERE Z_PK % 20 = 0; DELETE FROM ZNOTEBODY WHERE Z_PK % 20 = 1;");
  return made[notes] = path;
}

void BM_WhatsApp(benchmark::State& state) {
  const fs::path db = WhatsAppDb(static_cast<int>(state.range(0)));
  std::size_t delivered = 0;
  for (auto _ : state) {
    WhatsAppChatMap grouped;
    RecoverWhatsApp(db, grouped);
    delivered = 0;
    for (const auto& [chat, list] : grouped) delivered += list.size();
    benchmark::DoNotOptimize(delivered);
  }
  state.counters["delivered"] = static_cast<double>(delivered);
  state.counters["MiB"] = static_cast<double>(fs::file_size(db)) / (1024.0 * 1024.0);
}
BENCHMARK(BM_WhatsApp)->Name("whatsapp")->Arg(20'000)->Arg(100'000)->Unit(benchmark::kMillisecond);

void BM_Calls(benchmark::State& state) {
  const fs::path db = CallsDb(static_cast<int>(state.range(0)));
  const fs::path book = AddressBook();
  std::size_t delivered = 0;
  for (auto _ : state) {
    std::vector<CallRecord> calls;
    RecoverCalls(db, book, true, calls);
    delivered = calls.size();
    benchmark::DoNotOptimize(delivered);
  }
  state.counters["delivered"] = static_cast<double>(delivered);
}
BENCHMARK(BM_Calls)->Name("calls")->Arg(10'000)->Unit(benchmark::kMillisecond);

void BM_Notes(benchmark::State& state) {
  const fs::path db = NotesDb(static_cast<int>(state.range(0)));
  std::size_t delivered = 0;
  for (auto _ : state) {
    std::vector<NoteRecord> notes;
    RecoverNotes(db, notes);
    delivered = notes.size();
    benchmark::DoNotOptimize(delivered);
  }
  state.counters["delivered"] = static_cast<double>(delivered);
}
BENCHMARK(BM_Notes)->Name("notes")->Arg(5'000)->Unit(benchmark::kMillisecond);

void BM_Probe(benchmark::State& state) {
  const fs::path db = WhatsAppDb(100'000);
  for (auto _ : state) {
    TableProbe probe;
    ProbeTable(db, "ZWAMESSAGE", probe);
    benchmark::DoNotOptimize(probe.columns);
  }
}
BENCHMARK(BM_Probe)->Name("probe")->Unit(benchmark::kMicrosecond);

void BM_StepAll(benchmark::State& state) {
  const fs::path db = WhatsAppDb(100'000);
  for (auto _ : state) {
    sqlite3* handle = nullptr;
    sqlite3_open_v2(ReadOnlySqliteUri(db).c_str(), &handle, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    int rows = 0;
    sqlite3_exec(handle, "SELECT * FROM ZWAMESSAGE;", [](void* n, int, char**, char**) { return ++*static_cast<int*>(n), 0; },
                 &rows, nullptr);
    sqlite3_close(handle);
    benchmark::DoNotOptimize(rows);
  }
}
BENCHMARK(BM_StepAll)->Name("step_all")->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
