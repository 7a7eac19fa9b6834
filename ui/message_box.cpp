#include "ui/message_box.h"

#include <QKeyEvent>

#include "toolkit/control_text.h"
#include "ui/settings.h"

namespace vesmar {

QString CMessageBox::LayoutFor(int type) {
  switch (type) {
    case kBoxConfirm: return QStringLiteral("xml/MessageBox_Confirm.xml");
    case kBoxInformation: return QStringLiteral("xml/MessageBox_Information.xml");
    case kBoxWarning: return QStringLiteral("xml/MessageBox_Warning.xml");
    case kBoxQuestion: return QStringLiteral("xml/MessageBox_Question.xml");
    default: return QStringLiteral("xml/MessageBox_Error.xml");
  }
}

QString CMessageBox::DefaultTitleKey(int type) {
  switch (type) {
    case kBoxConfirm: return QStringLiteral("MSG0402");
    case kBoxInformation: return QStringLiteral("MSG0403");
    case kBoxWarning: return QStringLiteral("MSG0405");
    case kBoxQuestion: return QStringLiteral("MSG0404");
    default: return QStringLiteral("MSG0401");
  }
}

int CMessageBox::Show(int type, QWidget* owner, const std::optional<QString>& title,
                      const QString& text, int width, int height) {
  const QString shownTitle = title ? *title : CSettings::Instance().Message(DefaultTitleKey(type));
  CMessageBox box(type, shownTitle, text);
  if (!box.Create(owner ? owner->window() : nullptr, QString(), QSize(width, height))) return 2;
  return box.ShowModal();
}

CMessageBox::CMessageBox(int type, QString title, QString text)
    : WindowImplBase(Qt::Dialog), type_(type), title_(std::move(title)), text_(std::move(text)) {}

void CMessageBox::InitWindow() {
  if (QWidget* title = FindControl(QStringLiteral("title"))) SetControlText(title, title_);
  if (QWidget* message = FindControl(QStringLiteral("message"))) SetControlText(message, text_);
  setWindowTitle(title_);
}

void CMessageBox::Notify(TNotifyUI& msg) {
  if (msg.type == notify::kWindowInit) {
    CSettings::Instance().ApplySectionToPopUp(QStringLiteral("MessageBox"), this);
    // The section holds the buttons' texts; the title and message are this box's own.
    InitWindow();
    if (QWidget* ok = FindControl(QStringLiteral("okbtn"))) ok->setFocus();
    return;
  }
  if (msg.type == notify::kClick) {
    const int code = CloseCodeOf(msg.SenderName());
    if (code) Close(code);
  }
}

bool CMessageBox::MessageFilter(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    Close(2);
    return true;
  }
  return false;
}

}  // namespace vesmar
