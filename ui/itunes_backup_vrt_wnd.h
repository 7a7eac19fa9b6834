// The backup list page (virtual window "ItunesVtrWnd"): the backups found on this computer.
// Listing, choosing and the password step are the page's own work; this class is where it lives
// and what the main window calls.
#pragma once

#include "toolkit/notify.h"

namespace vesmar {

class CItunesBackup;
class CPaintManagerUI;
class CScanVrtWnd;

class CItunesBackupVrtWnd : public CNotifyPump {
 public:
  CItunesBackupVrtWnd(CItunesBackup& backup, CPaintManagerUI& manager, CScanVrtWnd& scanView);

  void Init();
  // Scan events of a backup scan.
  void OnScanStarted();
  void OnPasswordRequired();

 protected:
  CItunesBackup& backup_;
  CPaintManagerUI& manager_;
  CScanVrtWnd& scanView_;
};

}  // namespace vesmar
