#include "ui/ios_device_vrt_wnd.h"

#include "toolkit/paint_manager.h"
#include "ui/message_box.h"
#include "ui/settings.h"

namespace vesmar {

CIosDeviceVrtWnd::CIosDeviceVrtWnd(CPaintManagerUI& manager, CScanVrtWnd& scanView)
    : manager_(manager), scanView_(scanView) {}

void CIosDeviceVrtWnd::Init() {
  CSettings::Instance().ApplySectionToWindow(QStringLiteral("PageIosDevice"), manager_.Window());
}

void CIosDeviceVrtWnd::ShowScanError() {
  QString text = CSettings::Instance().Message(QStringLiteral("MSG0201"));
  text.replace(QStringLiteral("\\n"), QStringLiteral("\n"));
  CMessageBox::Show(kBoxError, manager_.Window(), QStringLiteral("Error"), text, 600, 200);
}

}  // namespace vesmar
