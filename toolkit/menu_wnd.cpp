#include "toolkit/menu_wnd.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QScreen>

namespace vesmar {

CMenuWnd::CMenuWnd(QString layout)
    : WindowImplBase(Qt::Popup | Qt::NoDropShadowWindowHint), layout_(std::move(layout)) {}

bool CMenuWnd::Init(QWidget* ownerWindow, QWidget* ownerControl, QPoint globalPos,
                    Handler onCreated, Handler onWindowInit, Handler onItemClick) {
  ownerControl_ = ownerControl;
  onWindowInit_ = std::move(onWindowInit);
  onItemClick_ = std::move(onItemClick);
  if (!Create(ownerWindow, QString())) return false;
  if (onCreated) {
    TNotifyUI none;
    onCreated(*this, none);
  }
  adjustSize();
  // Kept on the screen: opened upwards or leftwards when there is no room.
  QRect frame(globalPos, size());
  if (QScreen* screen = QGuiApplication::screenAt(globalPos)) {
    const QRect area = screen->availableGeometry();
    if (frame.right() > area.right()) frame.moveRight(area.right());
    if (frame.bottom() > area.bottom()) frame.moveBottom(globalPos.y() - 1);
  }
  move(frame.topLeft());
  show();
  return true;
}

QString CMenuWnd::MenuName() const {
  for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    const QString name = child->property("menuname").toString();
    if (!name.isEmpty()) return name;
  }
  return {};
}

void CMenuWnd::Notify(TNotifyUI& msg) {
  if (msg.type == notify::kWindowInit) {
    if (onWindowInit_) onWindowInit_(*this, msg);
    adjustSize();
    return;
  }
  if (msg.type == notify::kClick && qobject_cast<QAbstractButton*>(msg.sender)) {
    PaintManager().SendNotify(msg.sender, notify::kItemClick);
    Close(1);
    return;
  }
  if (msg.type == notify::kItemClick) {
    if (onItemClick_) onItemClick_(*this, msg);
    return;
  }
  WindowImplBase::Notify(msg);
}

void CMenuWnd::OnFinalMessage() { deleteLater(); }

}  // namespace vesmar
