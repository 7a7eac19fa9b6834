// Notifications raised by controls and the handler tables that receive them.
#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>
#include <map>
#include <utility>

class QWidget;

namespace vesmar {

// Notification types raised by the toolkit's controls.
namespace notify {
inline const QString kClick = QStringLiteral("click");
inline const QString kSelectChanged = QStringLiteral("selectchanged");
inline const QString kItemSelect = QStringLiteral("itemselect");
inline const QString kItemClick = QStringLiteral("itemclick");
inline const QString kItemExpand = QStringLiteral("itemexpand");
inline const QString kCheckBoxSelectChanged = QStringLiteral("checkboxselectchanged");
inline const QString kListCheckClick = QStringLiteral("list_check_click");
inline const QString kListItemDbClick = QStringLiteral("list_item_dbclick");
inline const QString kTimer = QStringLiteral("timer");
inline const QString kWindowInit = QStringLiteral("windowinit");
inline const QString kTextChanged = QStringLiteral("textchanged");
}  // namespace notify

struct TNotifyUI {
  QString type;
  QWidget* sender = nullptr;
  // Control-specific values: the timer id for "timer", the item (QTreeWidgetItem*) for list and
  // tree notifications, the new state for "selectchanged".
  quintptr wParam = 0;
  qintptr lParam = 0;

  QString SenderName() const;
};

class INotifyUI {
 public:
  virtual ~INotifyUI() = default;
  virtual void Notify(TNotifyUI& msg) = 0;
};

// A handler table: (type, sender name) → handler; an empty sender name matches any sender.
class CNotifyPump : public INotifyUI {
 public:
  using Handler = std::function<void(TNotifyUI&)>;

  void Notify(TNotifyUI& msg) override { Dispatch(msg); }

 protected:
  void On(const QString& type, const QString& sender, Handler handler) {
    handlers_[{type, sender}] = std::move(handler);
  }
  void On(const QString& type, Handler handler) { On(type, QString(), std::move(handler)); }

  // True when a handler ran.
  bool Dispatch(TNotifyUI& msg);

 private:
  std::map<std::pair<QString, QString>, Handler> handlers_;
};

}  // namespace vesmar
