#include "recovery/parse_steps.h"
#include "recovery/result_codes.h"
#include "sqlite_recovery/contact_dump.h"
#include "sqlite_recovery/contacts_driver.h"

namespace vesmar {

int RunParseContacts(ScanSession& session, const DatabaseLocations& db, std::vector<ContactRecord>& out) {
  std::uint64_t highest = 0;
  const int parsed = RecoverContacts(db.addressBook, session.newSchema != 0, out, highest);
  session.contactMark = highest;
  return session.FinishParseStep(session.stepWidth / 2, session.callback ? parsed : NotAStop(parsed));
}

int RunWriteContactsCsv(const ScanSession& session, const DatabaseLocations& db, const std::string& path) {
  return DumpContactRows(db.addressBook, path, session.contactMark);
}

}  // namespace vesmar
