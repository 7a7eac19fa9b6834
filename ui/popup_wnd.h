// The base of the program's pop-up windows (password dialog, progress windows, print window):
// a skinned window over its owner, shown modally, closed with a code.
#pragma once

#include "toolkit/window_base.h"

namespace vesmar {

class CPopUpWnd : public WindowImplBase {
  Q_OBJECT
 public:
  explicit CPopUpWnd(QString layout);

  QString GetWindowClassName() const override { return QStringLiteral("UIPopUpWnd"); }
  QString GetSkinFile() const override { return layout_; }

  // Creates the window over `owner` at the given size and centres it there.
  virtual bool Create(QWidget* owner, int width, int height);
  virtual int ShowModal() { return WindowImplBase::ShowModal(); }
  virtual void Destroy() { deleteLater(); }
  // Runs once on "windowinit".
  virtual void InitOnWindowInit() {}
  virtual void ApplyLanguageSection(const QString& section);

  // Repaints the owner where this window covered it (after hiding it).
  void RepaintOwner();

  // okbtn closes with 1, cancelbtn and closebtn with 2; derived windows handle their own
  // buttons first.
  void Notify(TNotifyUI& msg) override;

 protected:
  QWidget* CreateControl(const QString& className, QWidget* parent) override;

 private:
  QString layout_;
};

}  // namespace vesmar
