#include "ui/decryption_wnd.h"

#include <QKeyEvent>
#include <QLineEdit>

#include "toolkit/control_text.h"
#include "ui/settings.h"

namespace vesmar {

CDecryptionWnd::CDecryptionWnd() : CPopUpWnd(QStringLiteral("xml/DecryptionWnd.xml")) {}

void CDecryptionWnd::InitWindow() { edit_ = Find<QLineEdit>(QStringLiteral("EditPassword")); }

void CDecryptionWnd::InitOnWindowInit() {
  CSettings& settings = CSettings::Instance();
  ApplyLanguageSection(QStringLiteral("DecryptionWnd"));
  if (edit_) edit_->setFocus();
  if (QWidget* description = FindControl(QStringLiteral("Description"))) {
    SetControlText(description, settings.Message(purpose_ == kDeviceBackup ? QStringLiteral("MSG0601")
                                                                         : QStringLiteral("MSG0602")));
  }
}

void CDecryptionWnd::Notify(TNotifyUI& msg) {
  if (msg.type == notify::kClick) {
    const QString name = msg.SenderName();
    if (name == QLatin1String("BtnOK")) {
      password_ = edit_ ? edit_->text() : QString();
      Close(1);
      return;
    }
    if (name == QLatin1String("BtnCancel") || name == QLatin1String("closebtn")) {
      Close(2);
      return;
    }
  }
  CPopUpWnd::Notify(msg);
}

bool CDecryptionWnd::MessageFilter(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape:
      Close(2);
      return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return true;
    default:
      return false;
  }
}

}  // namespace vesmar
