// The preview column of the scan page (virtual window "PreviewVtrWnd").
// Conversations, contact cards, notes and media are shown by the preview's own work; this class
// is where it lives and what the main window and the scan view call.
#pragma once

#include "toolkit/notify.h"

namespace vesmar {

class CItunesBackup;
class CPaintManagerUI;

class CPreviewVrtWnd : public CNotifyPump {
 public:
  CPreviewVrtWnd(CItunesBackup& backup, CPaintManagerUI& manager);

  // Called by the scan view's initialisation.
  void Init();
  // WM_PREVIEW_MEDIA: the media step on the window thread.
  void MediaStep();
  void Reset();

 protected:
  CItunesBackup& backup_;
  CPaintManagerUI& manager_;
};

}  // namespace vesmar
