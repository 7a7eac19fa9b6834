#include "toolkit/paint_manager.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QMetaMethod>
#include <QTimer>
#include <QWidget>

namespace vesmar {

CPaintManagerUI::CPaintManagerUI(QWidget* window, INotifyUI* windowNotifier)
    : QObject(window), window_(window), windowNotifier_(windowNotifier) {}

QWidget* CPaintManagerUI::FindControl(const QString& name) const {
  return FindSubControl(window_, name);
}

QWidget* CPaintManagerUI::FindSubControl(QWidget* parent, const QString& name) {
  if (!parent || name.isEmpty()) return nullptr;
  if (parent->objectName() == name) return parent;
  return parent->findChild<QWidget*>(name);
}

void CPaintManagerUI::AddVirtualWnd(const QString& name, INotifyUI* handler) {
  virtualWnds_.insert(name, handler);
}

void CPaintManagerUI::RemoveVirtualWnd(const QString& name) { virtualWnds_.remove(name); }

void CPaintManagerUI::AttachNotify(QWidget* control, AttachedHandler handler) {
  if (!control) return;
  if (!attached_.count(control)) {
    connect(control, &QObject::destroyed, this, [this, control] { attached_.erase(control); });
  }
  attached_[control].push_back(std::move(handler));
}

void CPaintManagerUI::SendNotify(QWidget* sender, const QString& type, quintptr wParam,
                                 qintptr lParam) {
  TNotifyUI msg{type, sender, wParam, lParam};
  if (auto it = attached_.find(sender); it != attached_.end()) {
    const auto handlers = it->second;  // a handler may attach or detach others
    for (const auto& handler : handlers) {
      if (handler(msg)) return;
    }
  }
  for (QWidget* w = sender; w && w != window_->parentWidget(); w = w->parentWidget()) {
    const QString name = w->property("virtualwnd").toString();
    if (name.isEmpty()) continue;
    if (INotifyUI* handler = virtualWnds_.value(name)) {
      handler->Notify(msg);
      return;
    }
  }
  if (windowNotifier_) windowNotifier_->Notify(msg);
}

void CPaintManagerUI::ForwardNotify(const QString& type, quintptr wParam, qintptr lParam) {
  if (auto* control = qobject_cast<QWidget*>(sender())) SendNotify(control, type, wParam, lParam);
}

bool CPaintManagerUI::SetTimer(QWidget* control, int id, int elapseMs) {
  if (!control || elapseMs < 0) return false;
  QPointer<QTimer>& timer = timers_[{control, id}];
  if (!timer) {
    timer = new QTimer(control);
    QPointer<QWidget> guard(control);
    connect(timer, &QTimer::timeout, this, [this, guard, id] {
      if (guard) SendNotify(guard, notify::kTimer, static_cast<quintptr>(id));
    });
  }
  timer->start(elapseMs);
  return true;
}

bool CPaintManagerUI::KillTimer(QWidget* control, int id) {
  auto it = timers_.find({control, id});
  if (it == timers_.end()) return false;
  if (it->second) {
    it->second->stop();
    it->second->deleteLater();
  }
  timers_.erase(it);
  return true;
}

void CPaintManagerUI::KillTimers(QWidget* control) {
  for (auto it = timers_.begin(); it != timers_.end();) {
    if (it->first.first == control) {
      if (it->second) it->second->deleteLater();
      it = timers_.erase(it);
    } else {
      ++it;
    }
  }
}

bool CPaintManagerUI::HasTimer(QWidget* control, int id) const {
  auto it = timers_.find({control, id});
  return it != timers_.end() && it->second && it->second->isActive();
}

int CPaintManagerUI::TimerInterval(QWidget* control, int id) const {
  return HasTimer(control, id) ? timers_.at({control, id})->interval() : -1;
}

void CPaintManagerUI::WireControls(QWidget* root) {
  if (!root) return;
  Wire(root);
  for (QWidget* w : root->findChildren<QWidget*>()) Wire(w);
}

void CPaintManagerUI::Wire(QWidget* control) {
  if (control->property("_vesmar_wired").toBool()) return;
  control->setProperty("_vesmar_wired", true);
  QPointer<QWidget> guard(control);
  const int signal = control->metaObject()->indexOfSignal("notify(QString,quintptr,qintptr)");
  if (signal >= 0) {
    // Matched by signature: the controls come from both libraries and share no base class.
    static const QMetaMethod forward =
        staticMetaObject.method(staticMetaObject.indexOfSlot("ForwardNotify(QString,quintptr,qintptr)"));
    connect(control, control->metaObject()->method(signal), this, forward);
  }
  if (auto* button = qobject_cast<QAbstractButton*>(control)) {
    connect(button, &QAbstractButton::clicked, this, [this, guard] {
      if (guard) SendNotify(guard, notify::kClick);
    });
    if (button->isCheckable()) {
      connect(button, &QAbstractButton::toggled, this, [this, guard](bool on) {
        if (guard) SendNotify(guard, notify::kSelectChanged, on ? 1 : 0);
      });
    }
  } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
    connect(edit, &QLineEdit::textChanged, this, [this, guard] {
      if (guard) SendNotify(guard, notify::kTextChanged);
    });
  }
}

}  // namespace vesmar
