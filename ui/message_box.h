// The skinned message box: five kinds, a title (the kind's default when none is given) and a
// text; closes with 1 for OK and 2 for Cancel, the close button or Escape.
#pragma once

#include <QString>

#include <optional>

#include "toolkit/window_base.h"

namespace vesmar {

enum MessageBoxType { kBoxError = 0, kBoxConfirm = 1, kBoxInformation = 2, kBoxWarning = 3, kBoxQuestion = 4 };

class CMessageBox : public WindowImplBase {
  Q_OBJECT
 public:
  // Shows the box modally over `owner` (may be null) at width × height; returns the close code.
  static int Show(int type, QWidget* owner, const std::optional<QString>& title, const QString& text,
                  int width, int height);

  // The layout and the "Messages" key of the default title of a kind (any other value counts
  // as an error box).
  static QString LayoutFor(int type);
  static QString DefaultTitleKey(int type);

  CMessageBox(int type, QString title, QString text);
  QString GetWindowClassName() const override { return QStringLiteral("UIMessageBox"); }
  QString GetSkinFile() const override { return LayoutFor(type_); }
  void Notify(TNotifyUI& msg) override;

 protected:
  void InitWindow() override;
  bool MessageFilter(QKeyEvent* event) override;

 private:
  int type_;
  QString title_;
  QString text_;
};

}  // namespace vesmar
