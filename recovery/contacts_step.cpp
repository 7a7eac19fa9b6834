#include "recovery/parse_steps.h"
#include "recovery/result_codes.h"

namespace vesmar {

int RunParseContacts(ScanSession& session, const DatabaseLocations& db, std::vector<ContactRecord>& out) {
  (void)db;
  (void)out;
  return session.FinishParseStep(session.stepWidth / 2, result::kOk);
}

int RunWriteContactsCsv(const ScanSession& session, const DatabaseLocations& db, const std::string& path) {
  (void)session;
  (void)db;
  (void)path;
  return result::kInvalid;
}

}  // namespace vesmar
