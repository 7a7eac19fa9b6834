#include "recovery/parse_steps.h"
#include "recovery/result_codes.h"

namespace vesmar {

int RunParseWhatsApp(ScanSession& session, const DatabaseLocations& db, WhatsAppChatMap& out) {
  (void)db;
  session.whatsApp.clear();
  const int parsed = result::kOk;
  out = std::move(session.whatsApp);
  session.whatsApp.clear();
  return session.FinishParseStep(session.stepWidth, parsed);
}

}  // namespace vesmar
