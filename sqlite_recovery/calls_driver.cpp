#include "sqlite_recovery/calls_driver.h"

#include <algorithm>

#include "sqlite_recovery/call_parser.h"
#include "sqlite_recovery/contact_name_lookup.h"
#include "sqlite_recovery/contact_parser.h"
#include "sqlite_recovery/sqlite_recovery_file.h"
#include "sqlite_recovery/table_driver.h"
#include "sqlite_recovery/table_probe.h"

namespace vesmar {

namespace {

// Short numbers (emergency, voicemail, carrier services) would match inside any phone list.
constexpr std::size_t kShortestNamedAddress = 5;

void SortByDate(std::vector<CallRecord>& calls) {
  // Date texts are digits and separators only: letter case plays no part.
  std::stable_sort(calls.begin(), calls.end(), [](const CallRecord& a, const CallRecord& b) { return a.date < b.date; });
}

}  // namespace

int RecoverCalls(const std::filesystem::path& callHistory, const std::filesystem::path& addressBook,
                 bool ios12OrLater, std::vector<CallRecord>& calls) {
  calls.clear();
  TableProbe probe;
  if (const int rc = ProbeTable(callHistory, kCallRecordTable, probe)) return rc;
  const std::int32_t kind = probe.queryable ? 1 : 0;

  CSqliteRecoveryFile file;
  file.settings.callTableKind = kind;
  file.settings.ios12OrLater = ios12OrLater ? 1 : 0;
  if (const int rc = file.OpenDatabaseFile(callHistory)) return rc;
  CallRecordParser parser(CallColumnsFor(kind, ios12OrLater));
  int code = RecoverTable(file, kind == 1 ? kCallRecordTable : kCallTable,
                          [&](CSqliteRecoveryFile& f, const RecordBytes& record) { return parser.Parse(f, record, calls); });

  // Without an address book the calls still count; they only lack names.
  if (const int rc = file.OpenDatabaseFile(addressBook); rc != 0) {
    SortByDate(calls);
    return rc;
  }
  std::vector<ContactRecord> contacts;
  const int contactsCode = RecoverContactRows(file, contacts);
  if (code == 0) code = contactsCode;
  file.Close();

  ContactNameLookup names(contacts);
  for (auto& call : calls) {
    call.name.clear();
    if (call.address.size() < kShortestNamedAddress) continue;
    if (const std::u16string* name = names.Find(call.address)) call.name = *name;
  }
  SortByDate(calls);
  return code;
}

}  // namespace vesmar
