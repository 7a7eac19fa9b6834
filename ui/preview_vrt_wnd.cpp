#include "ui/preview_vrt_wnd.h"

#include "toolkit/paint_manager.h"
#include "ui/settings.h"

namespace vesmar {

CPreviewVrtWnd::CPreviewVrtWnd(CItunesBackup& backup, CPaintManagerUI& manager)
    : backup_(backup), manager_(manager) {}

void CPreviewVrtWnd::Init() {
  CSettings::Instance().ApplySectionToWindow(QStringLiteral("PreviewProcessWnd"), manager_.Window());
}

void CPreviewVrtWnd::MediaStep() {}

void CPreviewVrtWnd::Reset() {}

}  // namespace vesmar
