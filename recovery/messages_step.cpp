#include "recovery/parse_steps.h"
#include "recovery/result_codes.h"
#include "sqlite_recovery/message_dump.h"
#include "sqlite_recovery/messages_driver.h"

namespace vesmar {

int NotAStop(int code) { return code == result::kStopped ? result::kInvalid : code; }

int RunParseMessages(ScanSession& session, const DatabaseLocations& db, MessageMap& out) {
  session.messages.clear();
  // The driver reports its inner points within the share this step adds, so the scan's
  // progress never runs backwards.
  ParseContext context = session.Context();
  context.stepWidth = session.stepWidth / 2;
  std::uint64_t highest = 0;
  const int parsed = RecoverMessages(db.messages, db.addressBook, session.messages, context, highest);
  session.messageMark = highest;
  out = std::move(session.messages);
  session.messages.clear();
  return session.FinishParseStep(session.stepWidth / 2, session.callback ? parsed : NotAStop(parsed));
}

int RunWriteMessagesCsv(const ScanSession& session, const DatabaseLocations& db, const std::string& path) {
  return DumpMessageRows(db.messages, path, session.messageMark);
}

}  // namespace vesmar
