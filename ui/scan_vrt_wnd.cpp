#include "ui/scan_vrt_wnd.h"

#include "toolkit/paint_manager.h"
#include "ui/preview_vrt_wnd.h"
#include "ui/settings.h"

namespace vesmar {

CScanVrtWnd::CScanVrtWnd(CPaintManagerUI& manager, CPreviewVrtWnd& preview, CItunesBackup& backup)
    : manager_(manager), preview_(preview), backup_(backup) {}

void CScanVrtWnd::Init() {
  CSettings::Instance().ApplySectionToWindow(QStringLiteral("PageScan"), manager_.Window());
  preview_.Init();
}

void CScanVrtWnd::StartScan(unsigned source) { source_ = source; }

void CScanVrtWnd::UpdateCategoryCounts() {}

void CScanVrtWnd::SelectFirstCategory() {}

void CScanVrtWnd::ScanFinished() {}

int CScanVrtWnd::QueryClose() { return 1; }

}  // namespace vesmar
