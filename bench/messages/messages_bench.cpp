// How long RecoverMessages takes on a large sms.db (live rows, carving and the joins with the
// address book), and how long SQLite takes to answer the same join over the live rows only.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include "platform/text.h"
#include "sqlite_recovery/date_text.h"
#include "sqlite_recovery/messages_driver.h"
#include "tests/fixtures/address_book_fixture.h"
#include "tests/fixtures/messages_fixture.h"
#include "tests/fixtures/temp_dir.h"

namespace vesmar {
namespace {

namespace fs = std::filesystem;

constexpr int kMessages = 100'000;
constexpr int kHandles = 500;
constexpr int kContacts = 5'000;

std::string PhoneOf(int handle) { return "+1555" + std::to_string(1'000'000 + handle * 37); }

// 100,000 messages over 500 correspondents in the iOS 14 layout, one in fifty with an
// attachment, a fifth deleted afterwards (spread over the whole table); an address book of 5,000
// people, 400 of them correspondents.
struct LargeDatabases {
  fixtures::TempDir dir;
  fs::path messages = dir / "sms.db";
  fs::path addressBook = dir / "AddressBook.sqlitedb";
  int deleted = 0;

  LargeDatabases() {
    std::mt19937 random(42);
    {
      fixtures::SmsDatabase sms(messages, fixtures::MessageLayout::Columns74);
      sms.db().Exec("BEGIN;");
      for (int h = 1; h <= kHandles; ++h) sms.AddHandle(h % 5 == 0 ? "user" + std::to_string(h) + "@example.com" : PhoneOf(h));
      sqlite3_stmt* insert = nullptr;
      sqlite3_prepare_v2(sms.db().handle(),
                         "INSERT INTO message (guid, text, handle_id, attributedBody, service, account, account_guid, "
                         "date, date_read, is_delivered, is_finished, is_from_me, is_read) VALUES (?, ?, ?, ?, 'SMS', "
                         "'p:+15550100', '0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9', ?, ?, 1, 1, ?, 1)",
                         -1, &insert, nullptr);
      const char* words[] = {"see", "you", "at", "the", "station", "tomorrow", "thanks", "ok", "call", "me", "later",
                             "dinner", "tonight", "running", "late", "love", "it", "where", "are", "we"};
      for (int i = 1; i <= kMessages; ++i) {
        std::string text;
        for (int w = 3 + random() % 25; w > 0; --w) text += std::string(words[random() % 20]) + " ";
        const std::string guid = fixtures::SmsDatabase::GuidOf(i);
        const std::string body = "\x04\x0bstreamtyped\x81\xe8\x03\x84\x01@NSAttributedString+" + text;
        const sqlite3_int64 date = (600'000'000LL + i * 300LL) * 1'000'000'000LL + 123'456'789;
        sqlite3_bind_text(insert, 1, guid.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, text.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(insert, 3, 1 + static_cast<int>(random() % kHandles));
        sqlite3_bind_blob(insert, 4, body.data(), static_cast<int>(body.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int64(insert, 5, date);
        sqlite3_bind_int64(insert, 6, date);
        sqlite3_bind_int(insert, 7, static_cast<int>(random() % 2));
        sqlite3_step(insert);
        sqlite3_reset(insert);
        if (i % 50 == 0) sms.AddAttachment(i, "~/Library/SMS/Attachments/" + std::to_string(i) + "/IMG.jpeg");
      }
      sqlite3_finalize(insert);
      sms.db().Exec("COMMIT;");
      sms.db().Exec("CREATE TEMP TABLE doomed(id INTEGER PRIMARY KEY);");
      for (int i = 1; i <= kMessages; ++i)
        if (random() % 5 == 0) {
          sms.db().Exec("INSERT INTO doomed VALUES (" + std::to_string(i) + ");");
          ++deleted;
        }
      sms.db().Exec("BEGIN; DELETE FROM message_attachment_join WHERE message_id IN (SELECT id FROM doomed);"
                    "DELETE FROM message WHERE ROWID IN (SELECT id FROM doomed); COMMIT;");
    }
    fixtures::AddressBookDatabase book(addressBook, fixtures::AddressBookLayout::Ios15);
    book.db().Exec("BEGIN;");
    for (int p = 1; p <= kContacts; ++p) {
      const int handle = p <= 400 ? p : kHandles + p;  // the first 400 are correspondents
      book.AddPerson({"First" + std::to_string(p), "Last", "", {PhoneOf(handle)}, {}, "", "", ""});
    }
    book.db().Exec("COMMIT;");
  }
};

LargeDatabases& Databases() {
  static LargeDatabases databases;
  return databases;
}

std::size_t Recover(MessageMap& grouped) {
  auto& d = Databases();
  std::uint64_t highest = 0;
  RecoverMessages(d.messages, d.addressBook, grouped, ParseContext{1, nullptr, nullptr, 0, 10}, highest);
  std::size_t n = 0;
  for (const auto& [key, list] : grouped) n += list.size();
  return n;
}

// A value of /proc/self/status in KiB ("VmRSS", "VmHWM").
long StatusKiB(const char* key) {
  std::FILE* f = std::fopen("/proc/self/status", "r");
  if (!f) return -1;
  char line[256];
  long value = -1;
  const std::size_t n = std::strlen(key);
  while (std::fgets(line, sizeof line, f))
    if (std::strncmp(line, key, n) == 0 && line[n] == ':') value = std::strtol(line + n + 1, nullptr, 10);
  std::fclose(f);
  return value;
}

// Peak resident memory of one RecoverMessages run, in a child process whose peak is reset
// before the run, so the databases' generation does not count (registered first, so that the
// heap the child inherits holds nothing of the other benchmarks): `peak_MiB` is the highest
// resident size during the run, `before_MiB` what the child held when it started.
void BM_RecoverMessagesPeakMemory(benchmark::State& state) {
  Databases();
  long result[2] = {0, 0};
  for (auto _ : state) {
    int fds[2];
    if (pipe(fds) != 0) break;
    const pid_t child = fork();
    if (child == 0) {
      long out[2] = {StatusKiB("VmRSS"), 0};
      if (std::FILE* reset = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", reset);  // resets the peak to the current resident size
        std::fclose(reset);
      }
      MessageMap grouped;
      Recover(grouped);
      out[1] = StatusKiB("VmHWM");
      if (write(fds[1], out, sizeof out) != sizeof out) _exit(1);
      _exit(0);
    }
    close(fds[1]);
    if (read(fds[0], result, sizeof result) != sizeof result) result[0] = result[1] = -1;
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
  }
  state.counters["before_MiB"] = static_cast<double>(result[0]) / 1024.0;
  state.counters["peak_MiB"] = static_cast<double>(result[1]) / 1024.0;
}
BENCHMARK(BM_RecoverMessagesPeakMemory)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RecoverMessages(benchmark::State& state) {
  Databases();  // made once, outside the timing
  std::size_t live = 0, deleted = 0;
  for (auto _ : state) {
    MessageMap grouped;
    Recover(grouped);
    live = deleted = 0;
    for (const auto& [key, list] : grouped)
      for (const auto& m : list) (m.status == RecordStatus::Live ? live : deleted)++;
  }
  state.counters["live"] = static_cast<double>(live);
  state.counters["deleted"] = static_cast<double>(deleted);
  state.counters["deleted_written"] = Databases().deleted;
}
BENCHMARK(BM_RecoverMessages)->Unit(benchmark::kMillisecond)->UseRealTime();

// The live join in SQL: each message with its handle's address, the name of the first contact
// whose phones hold that address (looked up once per handle) and its first attachment, grouped
// by handle in date order. With `records`, the rows become MessageRecords as the driver
// delivers them (UTF-16 texts, local date texts).
constexpr const char* kLiveJoin =
    "WITH names AS MATERIALIZED (SELECT h.ROWID AS hid, h.id AS address, "
    "  (SELECT ifnull(c.c0First, '') || ifnull(c.c1Last, '') FROM book.ABPersonFullTextSearch_content c "
    "   WHERE instr(c.c16Phone, h.id) > 0 ORDER BY c.docid LIMIT 1) AS name FROM handle h) "
    "SELECT m.ROWID, m.handle_id, m.date, m.is_from_me, m.text, n.address, n.name, "
    "  (SELECT a.filename FROM message_attachment_join j JOIN attachment a ON a.ROWID = j.attachment_id "
    "   WHERE j.message_id = m.ROWID ORDER BY a.ROWID LIMIT 1) "
    "FROM message m LEFT JOIN names n ON n.hid = m.handle_id WHERE m.text IS NOT NULL AND m.text != '' "
    "ORDER BY m.handle_id, m.date";

std::u16string Column16(sqlite3_stmt* s, int i) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s, i));
  return text ? Utf8ToUtf16(text) : std::u16string();
}

void BM_SqliteLiveJoin(benchmark::State& state) {
  auto& d = Databases();
  const bool records = state.range(0) != 0;
  std::size_t rows = 0;
  for (auto _ : state) {
    sqlite3* db = nullptr;
    const std::string uri = "file:" + d.messages.string() + "?immutable=1";
    sqlite3_open_v2(uri.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    sqlite3_exec(db, ("ATTACH 'file:" + d.addressBook.string() + "?immutable=1' AS book").c_str(), nullptr, nullptr,
                 nullptr);
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, kLiveJoin, -1, &s, nullptr);
    MessageMap grouped;
    rows = 0;
    while (sqlite3_step(s) == SQLITE_ROW) {
      ++rows;
      if (!records) {
        benchmark::DoNotOptimize(sqlite3_column_text(s, 4));
        continue;
      }
      MessageRecord m;
      m.rowid = sqlite3_column_int(s, 0);
      m.handleId = sqlite3_column_int(s, 1);
      m.date = AppleDateText(sqlite3_column_int64(s, 2) / 1'000'000'000);
      m.fromMe = sqlite3_column_int(s, 3);
      m.text = Column16(s, 4);
      m.address = Column16(s, 5);
      m.contactName = Column16(s, 6);
      m.attachment = Column16(s, 7);
      grouped[m.handleId].push_back(std::move(m));
    }
    sqlite3_finalize(s);
    sqlite3_close(db);
  }
  state.counters["live"] = static_cast<double>(rows);
}
BENCHMARK(BM_SqliteLiveJoin)->Arg(0)->Arg(1)->ArgName("records")->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace vesmar

BENCHMARK_MAIN();
