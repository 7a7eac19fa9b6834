#include "recovery/parse_steps.h"
#include "sqlite_recovery/calls_driver.h"

namespace vesmar {

int RunParseCallHistory(ScanSession& session, const DatabaseLocations& db, std::vector<CallRecord>& out) {
  const int parsed = RecoverCalls(db.callHistory, db.addressBook, session.newSchema != 0, out);
  return session.FinishParseStep(session.stepWidth / 2, session.callback ? parsed : NotAStop(parsed));
}

}  // namespace vesmar
