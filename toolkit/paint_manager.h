// Per window: control lookup by name, notifications and timers.
//
// Notifications raised by a control go first to the handlers attached to that control, then to
// the virtual window registered under the "virtualwnd" name of the nearest enclosing container,
// and, when there is none, to the window.
#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <map>
#include <utility>
#include <vector>

#include "toolkit/notify.h"

class QTimer;
class QWidget;

namespace vesmar {

class CPaintManagerUI : public QObject {
  Q_OBJECT
 public:
  // Attached handlers return true when they consumed the notification.
  using AttachedHandler = std::function<bool(TNotifyUI&)>;

  CPaintManagerUI(QWidget* window, INotifyUI* windowNotifier);

  QWidget* Window() const { return window_; }
  QWidget* FindControl(const QString& name) const;
  template <class T>
  T* Find(const QString& name) const {
    return qobject_cast<T*>(FindControl(name));
  }
  // The first control of that name below `parent`.
  static QWidget* FindSubControl(QWidget* parent, const QString& name);

  void AddVirtualWnd(const QString& name, INotifyUI* handler);
  void RemoveVirtualWnd(const QString& name);
  INotifyUI* VirtualWnd(const QString& name) const { return virtualWnds_.value(name); }

  void AttachNotify(QWidget* control, AttachedHandler handler);

  void SendNotify(QWidget* sender, const QString& type, quintptr wParam = 0, qintptr lParam = 0);

  // Timers raise "timer" with wParam = id on their control; setting an existing id restarts it.
  bool SetTimer(QWidget* control, int id, int elapseMs);
  bool KillTimer(QWidget* control, int id);
  void KillTimers(QWidget* control);
  bool HasTimer(QWidget* control, int id) const;
  int TimerInterval(QWidget* control, int id) const;  // -1 when not running

  // Turns the signals of `root` and every control below it into notifications: buttons
  // "click" (checkable ones also "selectchanged"), edits "textchanged", and every control that
  // has a notify(QString, quintptr, qintptr) signal whatever it raises. Safe to call again for
  // elements added later.
  void WireControls(QWidget* root);

 private slots:
  void ForwardNotify(const QString& type, quintptr wParam, qintptr lParam);

 private:
  void Wire(QWidget* control);

  QWidget* window_;
  INotifyUI* windowNotifier_;
  QHash<QString, INotifyUI*> virtualWnds_;
  std::map<QWidget*, std::vector<AttachedHandler>> attached_;
  std::map<std::pair<QWidget*, int>, QPointer<QTimer>> timers_;
};

}  // namespace vesmar
