// The menu window: a pop-up built from a menu layout whose items are buttons. Choosing an item
// raises "itemclick" (sender: the item) to the handler given by the creator and closes the menu;
// clicking elsewhere closes it as well. The menu deletes itself once closed.
#pragma once

#include <QPointer>

#include <functional>

#include "toolkit/window_base.h"

namespace vesmar {

class CMenuWnd : public WindowImplBase {
  Q_OBJECT
 public:
  using Handler = std::function<void(CMenuWnd& menu, TNotifyUI& msg)>;

  explicit CMenuWnd(QString layout);

  // Builds the menu over `ownerWindow` with its top-left corner at `globalPos` and shows it.
  // `onCreated` runs once the items exist, `onWindowInit` on "windowinit", `onItemClick` for
  // "itemclick".
  bool Init(QWidget* ownerWindow, QWidget* ownerControl, QPoint globalPos, Handler onCreated,
            Handler onWindowInit, Handler onItemClick);

  QString GetWindowClassName() const override { return QStringLiteral("MenuWnd"); }
  QString GetSkinFile() const override { return layout_; }
  // The layout root's "menuname".
  QString MenuName() const;
  QWidget* OwnerControl() const { return ownerControl_; }

  void Notify(TNotifyUI& msg) override;

 protected:
  void OnFinalMessage() override;

 private:
  QString layout_;
  QPointer<QWidget> ownerControl_;
  Handler onWindowInit_;
  Handler onItemClick_;
};

}  // namespace vesmar
