#include "sqlite_recovery/calls_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <set>

#include "platform/text.h"
#include "sqlite_recovery/date_text.h"
#include "tests/fixtures/address_book_fixture.h"
#include "tests/fixtures/call_history_fixture.h"
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

}  // namespace
}  // namespace vesmar
