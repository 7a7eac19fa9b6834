#include "ui/popup_wnd.h"

#include "ui/control_factory.h"
#include "ui/settings.h"

namespace vesmar {

CPopUpWnd::CPopUpWnd(QString layout) : WindowImplBase(Qt::Dialog), layout_(std::move(layout)) {}

bool CPopUpWnd::Create(QWidget* owner, int width, int height) {
  if (!WindowImplBase::Create(owner, QString(), QSize(width, height))) return false;
  CenterWindow();
  return true;
}

void CPopUpWnd::ApplyLanguageSection(const QString& section) {
  CSettings::Instance().ApplySectionToPopUp(section, this);
}

void CPopUpWnd::RepaintOwner() {
  if (QWidget* owner = Owner()) owner->window()->update();
}

void CPopUpWnd::Notify(TNotifyUI& msg) {
  if (Dispatch(msg)) return;
  if (msg.type == notify::kWindowInit) {
    InitOnWindowInit();
    return;
  }
  if (msg.type == notify::kClick) {
    const int code = CloseCodeOf(msg.SenderName());
    code ? Close(code) : OnClick(msg);
  }
}

QWidget* CPopUpWnd::CreateControl(const QString& className, QWidget* parent) {
  return CreateProgramControl(className, parent);
}

}  // namespace vesmar
