// One scan from start to end: Open, then the nine category steps in their fixed order.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "recovery/file_records.h"
#include "recovery/phone_recovery_parse.h"
#include "sqlite_recovery/records.h"

namespace vesmar {

// The containers a scan fills.
struct ScanResults {
  MediaFileList cameraRoll;
  MediaFileList photoStream;
  MessageMap messages;
  AttachmentFileList messageAttachments;
  std::vector<ContactRecord> contacts;
  std::vector<CallRecord> calls;
  std::vector<NoteRecord> notes;
  AppFileList appFiles;
  WhatsAppChatMap whatsApp;
  MediaFileList whatsAppAttachments;
};

// Runs the steps after a successful Open, each only while no step answered 2 (stopped).
// Returns 2 when stopped, else 0: a failing category leaves its container empty and the scan
// goes on. `stepDone` (when set) is told the index (0-8) of each step that ran to its end, so
// its categories can be shown while the next step runs; a stopped step is not reported.
int RunCategorySteps(IPhoneRecoveryParse& parser, ScanResults& results,
                     const std::function<void(int step)>& stepDone = {});

}  // namespace vesmar
