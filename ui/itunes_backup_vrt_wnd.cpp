#include "ui/itunes_backup_vrt_wnd.h"

#include "toolkit/paint_manager.h"
#include "ui/settings.h"

namespace vesmar {

CItunesBackupVrtWnd::CItunesBackupVrtWnd(CItunesBackup& backup, CPaintManagerUI& manager,
                                         CScanVrtWnd& scanView)
    : backup_(backup), manager_(manager), scanView_(scanView) {}

void CItunesBackupVrtWnd::Init() {
  CSettings::Instance().ApplySectionToWindow(QStringLiteral("PageItunesBackup"), manager_.Window());
}

void CItunesBackupVrtWnd::OnScanStarted() {}

void CItunesBackupVrtWnd::OnPasswordRequired() {}

}  // namespace vesmar
