// The skinned window: built from a layout of the skin, caption-less, dragged by its caption
// area, resized by its size box, with rounded corners, a key filter, a modal run that returns a
// close code, and private messages posted from any thread and handled on the window thread.
//
// The layout's root widget may carry "caption" ("left,top,right,bottom": the part of the window
// that drags it; a right or bottom of 0 means the full width or height measured from the top),
// "sizebox" ("l,t,r,b" pixels at each edge that resize), "roundcorner" ("w,h") and "size"
// ("w,h", the initial size); its minimum size is the window's.
#pragma once

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QWidget>

#include "toolkit/layout_builder.h"
#include "toolkit/notify.h"
#include "toolkit/paint_manager.h"
#include "toolkit/window_messages.h"

class QEventLoop;
class QKeyEvent;

namespace vesmar {

// The close code of the dialog buttons: 1 for "okbtn", 2 for "cancelbtn" and "closebtn", else 0.
int CloseCodeOf(const QString& buttonName);

class WindowImplBase : public QWidget, public CNotifyPump {
  Q_OBJECT
 public:
  explicit WindowImplBase(Qt::WindowFlags flags = Qt::Window);
  ~WindowImplBase() override;

  virtual QString GetWindowClassName() const = 0;
  virtual QString GetSkinFile() const = 0;
  virtual QString GetSkinFolder() const { return QStringLiteral("Skins/"); }

  // Builds the window from its layout over `owner` (which may be null). A valid `size` wins over
  // the layout's. Calls InitWindow(), then raises "windowinit" once the event loop runs.
  bool Create(QWidget* owner, const QString& title, QSize size = {});

  // Shows the window, application-modal, and runs until it closes; returns the close code.
  int ShowModal();
  // Over the owner when it is visible, else on the screen under the mouse; kept on screen.
  void CenterWindow();

  // Asks the window to close with `code` (a posted close message: QueryClose may refuse it).
  void Close(int code = 1);
  // Posts a message handled on the window thread by HandleCustomMessage; safe from any thread.
  void PostMessage(unsigned message, quintptr wParam = 0, qintptr lParam = 0);

  int CloseCode() const { return closeCode_; }
  bool IsClosed() const { return closed_; }
  QWidget* Owner() const { return owner_; }
  CPaintManagerUI& PaintManager() { return manager_; }
  QWidget* FindControl(const QString& name) const { return manager_.FindControl(name); }
  template <class T>
  T* Find(const QString& name) const {
    return manager_.Find<T>(name);
  }

  void Notify(TNotifyUI& msg) override;

  QRect CaptionRect() const;
  QMargins SizeBox() const { return sizeBox_; }

 protected:
  virtual QWidget* CreateControl(const QString& className, QWidget* parent);
  virtual void InitWindow() {}
  // Key presses of the window's controls, before they see them; true consumes the key.
  virtual bool MessageFilter(QKeyEvent* event);
  // Default click handling: closebtn, minbtn, maxbtn, restorebtn.
  virtual void OnClick(TNotifyUI& msg);
  // False keeps the window open.
  virtual bool QueryClose(int code);
  virtual bool HandleCustomMessage(unsigned message, quintptr wParam, qintptr lParam);
  // After the window has closed for good.
  virtual void OnFinalMessage() {}

  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void DoClose(int code);
  void UpdateMask();
  void UpdateMaxRestoreButtons();
  Qt::Edges EdgesAt(QPoint localPos) const;
  bool IsInteractive(QWidget* widget) const;
  bool HandleWindowMouse(QEvent* event);

  CPaintManagerUI manager_;
  QWidget* owner_ = nullptr;
  QWidget* root_ = nullptr;
  QRect caption_;
  QMargins sizeBox_;
  QSize corner_;
  QEventLoop* modalLoop_ = nullptr;
  int closeCode_ = 0;
  bool closed_ = false;
  bool closing_ = false;
  // Manual dragging where the platform cannot move windows itself.
  bool dragging_ = false;
  QPoint dragOffset_;
  Qt::Edges cursorEdges_;
};

}  // namespace vesmar
