#include "recovery/parse_steps.h"
#include "recovery/result_codes.h"

namespace vesmar {

int RunParseMessages(ScanSession& session, const DatabaseLocations& db, MessageMap& out) {
  (void)db;  // the messages driver reads db.messages with names from db.addressBook
  session.messages.clear();
  const int parsed = result::kOk;
  out = std::move(session.messages);
  session.messages.clear();
  return session.FinishParseStep(session.stepWidth / 2, parsed);
}

int RunWriteMessagesCsv(const ScanSession& session, const DatabaseLocations& db, const std::string& path) {
  (void)session;
  (void)db;
  (void)path;
  return result::kInvalid;
}

}  // namespace vesmar
