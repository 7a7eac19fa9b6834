#include "recovery/parse_steps.h"
#include "sqlite_recovery/whatsapp_driver.h"

namespace vesmar {

int RunParseWhatsApp(ScanSession& session, const DatabaseLocations& db, WhatsAppChatMap& out) {
  session.whatsApp.clear();
  // The driver reports its inner points within the share this step adds.
  const int parsed = RecoverWhatsApp(db.whatsAppChats, session.whatsApp, session.Context());
  out = std::move(session.whatsApp);
  session.whatsApp.clear();
  return session.FinishParseStep(session.stepWidth, session.callback ? parsed : NotAStop(parsed));
}

}  // namespace vesmar
