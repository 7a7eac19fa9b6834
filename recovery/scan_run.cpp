#include "recovery/scan_run.h"

#include <functional>

#include "recovery/result_codes.h"

namespace vesmar {

int RunCategorySteps(IPhoneRecoveryParse& parser, ScanResults& r, const std::function<void(int step)>& stepDone) {
  const std::function<int()> steps[] = {
      [&] { return parser.CollectCameraRoll(r.cameraRoll, r.photoStream); },
      [&] { return parser.ParseMessages(r.messages); },
      [&] { return parser.CollectMessageAttachments(r.messageAttachments); },
      [&] { return parser.ParseContacts(r.contacts); },
      [&] { return parser.ParseCallHistory(r.calls); },
      [&] { return parser.ParseNotes(r.notes); },
      [&] { return parser.CollectAppFiles(r.appFiles); },
      [&] { return parser.ParseWhatsApp(r.whatsApp); },
      [&] { return parser.CollectWhatsAppAttachments(r.whatsAppAttachments); },
  };
  int index = 0;
  for (const auto& step : steps) {
    if (step() == result::kStopped) return result::kStopped;
    if (stepDone) stepDone(index);
    ++index;
  }
  return result::kOk;
}

}  // namespace vesmar
