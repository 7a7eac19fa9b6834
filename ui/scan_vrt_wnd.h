// The scan page (virtual window "ScanVtrWnd"): runs a scan and shows its results.
// The scan itself, the lists and the statistics are the scan view's own work; this class is where
// it lives and what the main window calls.
#pragma once

#include <string>

#include "recovery/backup_entry.h"
#include "toolkit/notify.h"

namespace vesmar {

class CItunesBackup;
class CPaintManagerUI;
class CPreviewVrtWnd;

class CScanVrtWnd : public CNotifyPump {
 public:
  CScanVrtWnd(CPaintManagerUI& manager, CPreviewVrtWnd& preview, CItunesBackup& backup);

  // Called on the main window's "windowinit": texts, then the preview pane.
  void Init();

  void StartScan(unsigned source);
  void UpdateCategoryCounts();
  void SelectFirstCategory();
  void ScanFinished();
  // 1 when the main window may close, 2 when the user declined.
  int QueryClose();

  // The source (0 device, 1 backup) of the running or last scan.
  unsigned Source() const { return source_; }

  // Written by the backup page before it starts a backup scan.
  BackupEntry& ChosenEntry() { return chosenEntry_; }
  std::u16string& Password() { return password_; }

 protected:
  CPaintManagerUI& manager_;
  CPreviewVrtWnd& preview_;
  CItunesBackup& backup_;
  unsigned source_ = 0;
  BackupEntry chosenEntry_;
  std::u16string password_;
};

}  // namespace vesmar
