#include "recovery/parse_steps.h"
#include "sqlite_recovery/notes_driver.h"

namespace vesmar {

int RunParseNotes(ScanSession& session, const DatabaseLocations& db, std::vector<NoteRecord>& out) {
  const int parsed = RecoverNotes(db.notes, out);
  return session.FinishParseStep(session.stepWidth / 2, session.callback ? parsed : NotAStop(parsed));
}

}  // namespace vesmar
