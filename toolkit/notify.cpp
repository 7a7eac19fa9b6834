#include "toolkit/notify.h"

#include <QWidget>

namespace vesmar {

QString TNotifyUI::SenderName() const { return sender ? sender->objectName() : QString(); }

bool CNotifyPump::Dispatch(TNotifyUI& msg) {
  auto it = handlers_.find({msg.type, msg.SenderName()});
  if (it == handlers_.end()) it = handlers_.find({msg.type, QString()});
  if (it == handlers_.end()) return false;
  it->second(msg);
  return true;
}

}  // namespace vesmar
