#include "sqlite_recovery/calls_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <set>

#include "platform/text.h"
#include "sqlite_recovery/date_text.h"
#include "tests/fixtures/address_book_fixture.h"
#include "tests/fixtures/call_history_fixture.h"
#include "tests/fixtures/deleted_rows_fixture.h"
#include "tests/fixtures/temp_dir.h"

namespace vesmar {
namespace {

namespace fs = std::filesystem;
using fixtures::AddressBookLayout;
using fixtures::CallLayout;

struct WrittenCall {
  std::string address;
  std::int64_t appleSeconds = 0;  // the date as seconds since 2001
  std::string appleDate;          // as stored in ZCALLRECORD ("600000000.7" is a double)
  std::string duration;           // as stored
  std::int32_t expectedDuration = 0;
  bool outgoing = false;
  std::string name;               // the contact the driver must name
  bool deleted = false;
  bool callRecordOnly = false;    // a double, which the older table call does not hold
};

std::string Describe(const CallRecord& c) {
  return std::string(RecordStatusName(c.status)) + "|" + std::to_string(c.incoming) + "|" +
         std::to_string(c.duration) + "|" + Utf16ToUtf8(c.date) + "|" + Utf16ToUtf8(c.address) + "|" +
         Utf16ToUtf8(c.name);
}

std::string Describe(const WrittenCall& w, RecordStatus status) {
  CallRecord c;
  c.status = status;
  c.incoming = w.outgoing ? 0 : 1;
  c.duration = w.expectedDuration;
  c.date = AppleDateText(w.appleSeconds);
  c.address = Utf8ToUtf16(w.address);
  c.name = Utf8ToUtf16(w.name);
  return Describe(c);
}

// Calls in every duration range (the constants 0 and 1, one to four bytes, a double), both
// directions, integer and double dates, numbers with and without a contact; some deleted.
std::vector<WrittenCall> Calls() {
  return {
      {"9198887386", 600'000'500, "600000500", "0", 0, false, "AliceSmith"},
      {"9198887386", 600'000'100, "600000100", "1", 1, true, "AliceSmith", true},
      {"911", 600'000'900, "600000900", "45", 45, true, ""},  // short numbers never get a name
      {"+442079460958", 600'000'300, "600000300", "300", 300, true, "Bob"},
      {"5550123", 600'000'700, "600000700", "70000", 70000, false, "", true},
      {"+15550199", 600'000'200, "600000200", "9000000", 9000000, false, ""},
      {"+442079460958", 600'000'000, "600000000.7", "12.75", 12, false, "Bob", false, true},
      {"9198887386", 600'001'000, "600001000", "65", 65, true, "AliceSmith", true},  // the newest row
  };
}

struct CallCase {
  CallLayout layout;
  bool ios12;
  const char* name;
};

class CallsDriverTest : public ::testing::TestWithParam<CallCase> {
 protected:
  // Writes the call database and an address book; returns the calls written.
  std::vector<WrittenCall> Build(const fs::path& calls, const fs::path& book) {
    const CallCase& p = GetParam();
    {
      fixtures::AddressBookDatabase ab(book, p.ios12 ? AddressBookLayout::Ios15 : AddressBookLayout::Ios7);
      ab.AddPerson({"Alice", "Smith", "", {"(919) 888-7386"}, {}, "", "", ""});
      ab.AddPerson({"Emergency", "", "", {"911"}, {}, "", "", ""});
      ab.AddPerson({"Bob", "", "", {"+442079460958"}, {}, "", "", ""});
    }
    std::vector<WrittenCall> written;
    fixtures::CallHistoryDatabase db(calls, p.layout);
    std::vector<long long> toDelete;
    for (const WrittenCall& w : Calls()) {
      if (w.callRecordOnly && p.layout == CallLayout::Call) continue;
      fixtures::FixtureCall c;
      c.address = w.address;
      // The older table counts from 1970.
      c.date = p.layout == CallLayout::Call ? std::to_string(w.appleSeconds + kAppleEpochOffset) : w.appleDate;
      c.duration = w.duration;
      c.outgoing = w.outgoing;
      const long long rowid = db.AddCall(c);
      if (w.deleted) toDelete.push_back(rowid);
      written.push_back(w);
    }
    for (const long long rowid : toDelete) db.DeleteCall(rowid);
    return written;
  }
};

TEST_P(CallsDriverTest, LiveAndDeletedCallsWithNamesInDateOrder) {
  fixtures::TempDir dir;
  const auto written = Build(dir / "calls.db", dir / "book.db");
  std::vector<CallRecord> calls{CallRecord{}};  // replaced
  ASSERT_EQ(RecoverCalls(dir / "calls.db", dir / "book.db", GetParam().ios12, calls), 0);

  std::vector<std::string> live, deleted;
  for (std::size_t i = 0; i < calls.size(); ++i) {
    if (i > 0) {
      EXPECT_LE(calls[i - 1].date, calls[i].date) << "out of date order";
    }
    (calls[i].status == RecordStatus::Live ? live : deleted).push_back(Describe(calls[i]));
  }
  std::vector<const WrittenCall*> liveWritten;
  for (const auto& w : written)
    if (!w.deleted) liveWritten.push_back(&w);
  std::stable_sort(liveWritten.begin(), liveWritten.end(),
                   [](auto* a, auto* b) { return a->appleSeconds < b->appleSeconds; });
  std::vector<std::string> expectedLive;
  for (const auto* w : liveWritten) expectedLive.push_back(Describe(*w, RecordStatus::Live));
  EXPECT_EQ(live, expectedLive);

  // Every deleted call is one that was written and deleted, with all its fields and its name.
  std::set<std::string> expectedDeleted;
  for (const auto& w : written)
    if (w.deleted) expectedDeleted.insert(Describe(w, RecordStatus::Deleted));
  EXPECT_EQ(std::set<std::string>(deleted.begin(), deleted.end()), expectedDeleted);
}

INSTANTIATE_TEST_SUITE_P(Layouts, CallsDriverTest,
                         ::testing::Values(CallCase{CallLayout::CallRecord, false, "CallRecord"},
                                           CallCase{CallLayout::CallRecordIos12, true, "CallRecordIos12"},
                                           CallCase{CallLayout::Call, false, "OlderCallTable"}),
                         [](const auto& info) { return std::string(info.param.name); });

// Rows deleted from the middle of full pages, with rowids and payloads past one varint byte, so
// their freeblocks keep the row's header length.
TEST(CallsDriverTest, ManyDeletedCallsComeBack) {
  fixtures::TempDir dir;
  std::set<std::string> deleted;
  {
    fixtures::CallHistoryDatabase db(dir / "calls.db", CallLayout::CallRecordIos12);
    db.db().Exec("BEGIN;");
    for (int i = 1; i <= 400; ++i) {
      const std::string address = "+1555" + std::to_string(100000 + i);
      db.AddCall({address, std::to_string(600'000'000 + i * 60), std::to_string(i), i % 2 == 0});
      if (i % 10 == 5) deleted.insert(address);
    }
    db.db().Exec("COMMIT; DELETE FROM ZCALLRECORD WHERE Z_PK % 10 = 5;");
  }
  std::vector<CallRecord> calls;
  RecoverCalls(dir / "calls.db", dir / "missing.db", true, calls);
  std::set<std::string> recovered;
  for (const auto& c : calls) {
    if (c.status != RecordStatus::Deleted) continue;
    const std::string address = Utf16ToUtf8(c.address);
    EXPECT_TRUE(deleted.count(address)) << Describe(c);
    const int i = std::stoi(address.substr(5)) - 100000;
    EXPECT_EQ(c.date, AppleDateText(600'000'000 + i * 60)) << address;
    EXPECT_EQ(c.duration, i) << address;
    recovered.insert(address);
  }
  EXPECT_EQ(recovered, deleted);
}

// A call log the user cleared completely: no live row teaches the carver the table's width, so
// it takes the width the table declares; the fixed width of an older layout would find nothing.
TEST(CallsDriverTest, ClearedCallLogComesBack) {
  for (const CallLayout layout : {CallLayout::CallRecord, CallLayout::CallRecordIos12}) {
    fixtures::TempDir dir;
    std::set<std::string> written;
    {
      fixtures::CallHistoryDatabase db(dir / "calls.db", layout);
      db.db().Exec("BEGIN;");
      for (int i = 1; i <= 200; ++i) {
        const std::string address = "+1555" + std::to_string(200000 + i);
        db.AddCall({address, std::to_string(600'000'000 + i), std::to_string(i), i % 3 == 0});
        written.insert(address);
      }
      db.db().Exec("COMMIT; DELETE FROM ZCALLRECORD;");
    }
    std::vector<CallRecord> calls;
    RecoverCalls(dir / "calls.db", dir / "missing.db", layout == CallLayout::CallRecordIos12, calls);
    std::set<std::string> recovered;
    for (const auto& c : calls) {
      EXPECT_EQ(c.status, RecordStatus::Deleted);
      recovered.insert(Utf16ToUtf8(c.address));
    }
    EXPECT_EQ(recovered, written) << (layout == CallLayout::CallRecord ? "CallRecord" : "CallRecordIos12");
  }
}

// The table SQLite can query decides: an empty ZCALLRECORD still is the call table, even beside a
// table call with rows.
TEST(CallsDriverTest, EmptyCallRecordTableIsStillTheCallTable) {
  fixtures::TempDir dir;
  {
    fixtures::CallHistoryDatabase db(dir / "calls.db", CallLayout::CallRecord);
    db.db().Exec("CREATE TABLE call (c0 INTEGER PRIMARY KEY, c1, c2, c3, c4, c5, c6, c7, c8, c9, c10, c11, c12, c13, "
                 "c14, c15, c16, c17, c18, c19, c20);"
                 "INSERT INTO call (c10, c12, c13, c20) VALUES (0, 1600000000, 30, '+15550100');");
  }
  std::vector<CallRecord> calls;
  EXPECT_EQ(RecoverCalls(dir / "calls.db", dir / "missing.db", false, calls), ENOENT);
  EXPECT_TRUE(calls.empty());
}

// Rows the parser must drop: no number, no date, and in the older table a number with a control
// character or a date stored as a double (that table keeps whole seconds only).
TEST(CallsDriverTest, RowsWithoutNumberOrDateAreDropped) {
  struct Case {
    CallLayout layout;
    std::string address, date;
  };
  const Case cases[] = {
      {CallLayout::CallRecord, "", "600000000"},
      {CallLayout::CallRecord, "+15550100", "NULL"},
      {CallLayout::CallRecord, "+15550100", "'yesterday'"},
      {CallLayout::Call, "555\x01" "0100", "1600000000"},
      {CallLayout::Call, "+15550100", "1600000000.5"},
      {CallLayout::Call, "", "1600000000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.address + " / " + c.date);
    fixtures::TempDir dir;
    {
      fixtures::CallHistoryDatabase db(dir / "calls.db", c.layout);
      fixtures::FixtureCall kept;
      kept.address = "+15550111";
      kept.date = c.layout == CallLayout::Call ? "1600000000" : "600000000";
      db.AddCall(kept);
      fixtures::FixtureCall dropped;
      dropped.address = c.address;
      dropped.date = c.date;
      db.AddCall(dropped);
    }
    std::vector<CallRecord> calls;
    RecoverCalls(dir / "calls.db", dir / "missing.db", false, calls);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].address, u"+15550111");
  }
}

TEST(CallsDriverTest, MissingOrUnreadableFiles) {
  fixtures::TempDir dir;
  fixtures::WriteFileBytes(dir / "text.db", std::string(8192, 'x'));
  std::vector<CallRecord> calls{CallRecord{}};
  EXPECT_NE(RecoverCalls(dir / "missing.db", dir / "missing.db", false, calls), 0);
  EXPECT_TRUE(calls.empty());
  EXPECT_EQ(RecoverCalls(dir / "text.db", dir / "missing.db", false, calls), 87);
  EXPECT_TRUE(calls.empty());

  // Without the address book the calls come, in date order, without names.
  {
    fixtures::CallHistoryDatabase db(dir / "calls.db", CallLayout::CallRecord);
    for (const char* date : {"600000300", "600000100", "600000200"}) {
      fixtures::FixtureCall c;
      c.address = "9198887386";
      c.date = date;
      db.AddCall(c);
    }
  }
  EXPECT_EQ(RecoverCalls(dir / "calls.db", dir / "missing.db", false, calls), ENOENT);
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].date, AppleDateText(600'000'100));
  EXPECT_EQ(calls[2].date, AppleDateText(600'000'300));
  for (const auto& c : calls) EXPECT_TRUE(c.name.empty());
}

}  // namespace
}  // namespace vesmar
