#include "toolkit/window_base.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainterPath>
#include <QScreen>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

namespace vesmar {
namespace {

class MessageEvent : public QEvent {
 public:
  static QEvent::Type Kind() {
    static const auto kind = static_cast<QEvent::Type>(QEvent::registerEventType());
    return kind;
  }
  MessageEvent(unsigned message, quintptr wParam, qintptr lParam)
      : QEvent(Kind()), message(message), wParam(wParam), lParam(lParam) {}
  unsigned message;
  quintptr wParam;
  qintptr lParam;
};

// Windows without a display (tests, screenshots) cannot be shaped or raised.
bool Headless() { return QGuiApplication::platformName() == QLatin1String("offscreen"); }

QList<int> ParseInts(const QVariant& value) {
  QList<int> out;
  for (const QString& part : value.toString().split(QLatin1Char(','), Qt::SkipEmptyParts)) {
    out.append(part.trimmed().toInt());
  }
  return out;
}

}  // namespace

int CloseCodeOf(const QString& name) {
  if (name == QLatin1String("okbtn")) return 1;
  if (name == QLatin1String("cancelbtn") || name == QLatin1String("closebtn")) return 2;
  return 0;
}

WindowImplBase::WindowImplBase(Qt::WindowFlags flags)
    : QWidget(nullptr, flags | Qt::FramelessWindowHint), manager_(this, this) {
  qApp->installEventFilter(this);
}

WindowImplBase::~WindowImplBase() { qApp->removeEventFilter(this); }

QWidget* WindowImplBase::CreateControl(const QString&, QWidget*) { return nullptr; }

bool WindowImplBase::Create(QWidget* owner, const QString& title, QSize size) {
  owner_ = owner;
  if (owner) {
    // A window over its owner: kept above it, and shares its task bar entry.
    setParent(owner, windowFlags());
  }
  setWindowTitle(title);
  setObjectName(GetWindowClassName());
  root_ = CDialogBuilder::Create(GetSkinFile(), this, [this](const QString& cls, QWidget* parent) {
    return CreateControl(cls, parent);
  });
  if (!root_) return false;

  const QList<int> caption = ParseInts(root_->property("caption"));
  if (caption.size() == 4) caption_ = QRect(QPoint(caption[0], caption[1]), QPoint(caption[2], caption[3]));
  const QList<int> box = ParseInts(root_->property("sizebox"));
  if (box.size() == 4) sizeBox_ = QMargins(box[0], box[1], box[2], box[3]);
  const QList<int> corner = ParseInts(root_->property("roundcorner"));
  if (corner.size() == 2) corner_ = QSize(corner[0], corner[1]);
  setMinimumSize(root_->minimumSize());
  const QList<int> initial = ParseInts(root_->property("size"));
  if (size.isValid()) {
    resize(size.expandedTo(minimumSize()));
  } else if (initial.size() == 2) {
    resize(QSize(initial[0], initial[1]).expandedTo(minimumSize()));
  }
  manager_.WireControls(this);
  UpdateMaxRestoreButtons();
  InitWindow();
  QTimer::singleShot(0, this, [this] { manager_.SendNotify(root_, notify::kWindowInit); });
  return true;
}

QRect WindowImplBase::CaptionRect() const {
  if (caption_.isNull() && caption_.bottom() <= 0) return {};
  const int right = caption_.right() > 0 ? caption_.right() : width();
  const int bottom = caption_.bottom() > 0 ? caption_.bottom() : height();
  return QRect(QPoint(caption_.left(), caption_.top()), QPoint(right - 1, bottom - 1));
}

int WindowImplBase::ShowModal() {
  if (closed_) return closeCode_;
  setWindowModality(Qt::ApplicationModal);
  CenterWindow();
  show();
  if (!Headless()) raise();
  activateWindow();
  QEventLoop loop;
  modalLoop_ = &loop;
  loop.exec(QEventLoop::DialogExec);
  modalLoop_ = nullptr;
  return closeCode_;
}

void WindowImplBase::CenterWindow() {
  QRect area;
  if (owner_ && owner_->window()->isVisible()) {
    area = owner_->window()->frameGeometry();
  }
  QScreen* screen = area.isValid() ? QGuiApplication::screenAt(area.center())
                                   : QGuiApplication::screenAt(QCursor::pos());
  if (!screen) screen = QGuiApplication::primaryScreen();
  const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1920, 1080);
  if (!area.isValid()) area = available;
  QRect frame(QPoint(0, 0), size());
  frame.moveCenter(area.center());
  if (frame.right() > available.right()) frame.moveRight(available.right());
  if (frame.bottom() > available.bottom()) frame.moveBottom(available.bottom());
  if (frame.left() < available.left()) frame.moveLeft(available.left());
  if (frame.top() < available.top()) frame.moveTop(available.top());
  move(frame.topLeft());
}

void WindowImplBase::Close(int code) { PostMessage(kWmClose, static_cast<quintptr>(code)); }

void WindowImplBase::PostMessage(unsigned message, quintptr wParam, qintptr lParam) {
  QCoreApplication::postEvent(this, new MessageEvent(message, wParam, lParam));
}

void WindowImplBase::Notify(TNotifyUI& msg) {
  if (Dispatch(msg)) return;
  if (msg.type == notify::kClick) OnClick(msg);
}

void WindowImplBase::OnClick(TNotifyUI& msg) {
  const QString name = msg.SenderName();
  if (name == QLatin1String("closebtn")) {
    Close(2);
  } else if (name == QLatin1String("minbtn")) {
    showMinimized();
  } else if (name == QLatin1String("maxbtn")) {
    showMaximized();
  } else if (name == QLatin1String("restorebtn")) {
    showNormal();
  }
}

bool WindowImplBase::MessageFilter(QKeyEvent*) { return false; }

bool WindowImplBase::QueryClose(int) { return true; }

bool WindowImplBase::HandleCustomMessage(unsigned, quintptr, qintptr) { return false; }

void WindowImplBase::DoClose(int code) {
  if (closed_ || !QueryClose(code)) return;
  closed_ = true;
  closeCode_ = code;
  closing_ = true;
  hide();
  closing_ = false;
  if (modalLoop_) modalLoop_->exit(code);
  OnFinalMessage();
}

bool WindowImplBase::event(QEvent* event) {
  if (event->type() == MessageEvent::Kind()) {
    const auto* m = static_cast<MessageEvent*>(event);
    if (m->message == kWmClose) {
      DoClose(static_cast<int>(m->wParam));
    } else {
      HandleCustomMessage(m->message, m->wParam, m->lParam);
    }
    return true;
  }
  return QWidget::event(event);
}

void WindowImplBase::closeEvent(QCloseEvent* event) {
  // A close from outside (window manager, Alt+F4) takes the same path as the close button; a
  // pop-up closed by a click elsewhere closes at once.
  if (windowType() == Qt::Popup && !closed_) {
    event->accept();
    closed_ = true;
    closeCode_ = 2;
    OnFinalMessage();
    return;
  }
  if (closing_ || closed_) {
    event->accept();
    return;
  }
  event->ignore();
  Close(2);
}

void WindowImplBase::changeEvent(QEvent* event) {
  if (event->type() == QEvent::WindowStateChange) {
    UpdateMaxRestoreButtons();
    UpdateMask();
  }
  QWidget::changeEvent(event);
}

void WindowImplBase::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  UpdateMask();
}

void WindowImplBase::UpdateMaxRestoreButtons() {
  const bool maximized = isMaximized();
  if (QWidget* max = FindControl(QStringLiteral("maxbtn"))) max->setVisible(!maximized);
  if (QWidget* restore = FindControl(QStringLiteral("restorebtn"))) restore->setVisible(maximized);
}

void WindowImplBase::UpdateMask() {
  if (Headless()) return;
  if (corner_.isEmpty() || isMaximized() || isFullScreen()) {
    clearMask();
    return;
  }
  QPainterPath path;
  path.addRoundedRect(QRectF(rect()), corner_.width(), corner_.height());
  setMask(QRegion(path.toFillPolygon().toPolygon()));
}

Qt::Edges WindowImplBase::EdgesAt(QPoint p) const {
  Qt::Edges edges;
  if (sizeBox_.isNull() || isMaximized() || isFullScreen() || minimumSize() == maximumSize()) {
    return edges;
  }
  if (p.x() < sizeBox_.left()) edges |= Qt::LeftEdge;
  if (p.x() >= width() - sizeBox_.right()) edges |= Qt::RightEdge;
  if (p.y() < sizeBox_.top()) edges |= Qt::TopEdge;
  if (p.y() >= height() - sizeBox_.bottom()) edges |= Qt::BottomEdge;
  return edges;
}

bool WindowImplBase::IsInteractive(QWidget* widget) const {
  for (QWidget* w = widget; w && w != this; w = w->parentWidget()) {
    if (qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
        qobject_cast<QTextEdit*>(w) || qobject_cast<QAbstractItemView*>(w) ||
        qobject_cast<QAbstractSpinBox*>(w) || qobject_cast<QComboBox*>(w) ||
        qobject_cast<QAbstractSlider*>(w)) {
      return true;
    }
  }
  return false;
}

bool WindowImplBase::HandleWindowMouse(QEvent* event) {
  auto* mouse = static_cast<QMouseEvent*>(event);
  const QPoint pos = mapFromGlobal(mouse->globalPosition().toPoint());
  switch (event->type()) {
    case QEvent::MouseMove: {
      if (dragging_) {
        move(mouse->globalPosition().toPoint() - dragOffset_);
        return true;
      }
      if (mouse->buttons() != Qt::NoButton) return false;
      const Qt::Edges edges = EdgesAt(pos);
      if (edges != cursorEdges_) {
        cursorEdges_ = edges;
        const bool diagonalMain = (edges == (Qt::LeftEdge | Qt::TopEdge)) ||
                                  (edges == (Qt::RightEdge | Qt::BottomEdge));
        if (!edges) {
          unsetCursor();
        } else if (diagonalMain) {
          setCursor(Qt::SizeFDiagCursor);
        } else if ((edges & (Qt::LeftEdge | Qt::RightEdge)) && (edges & (Qt::TopEdge | Qt::BottomEdge))) {
          setCursor(Qt::SizeBDiagCursor);
        } else if (edges & (Qt::LeftEdge | Qt::RightEdge)) {
          setCursor(Qt::SizeHorCursor);
        } else {
          setCursor(Qt::SizeVerCursor);
        }
      }
      return false;
    }
    case QEvent::MouseButtonPress: {
      if (mouse->button() != Qt::LeftButton) return false;
      if (const Qt::Edges edges = EdgesAt(pos)) {
        if (windowHandle()) windowHandle()->startSystemResize(edges);
        return true;
      }
      if (!isMaximized() && CaptionRect().contains(pos) && !IsInteractive(childAt(pos))) {
        if (!windowHandle() || !windowHandle()->startSystemMove()) {
          dragging_ = true;
          dragOffset_ = mouse->globalPosition().toPoint() - frameGeometry().topLeft();
        }
        return true;
      }
      return false;
    }
    case QEvent::MouseButtonRelease:
      if (dragging_) {
        dragging_ = false;
        return true;
      }
      return false;
    case QEvent::MouseButtonDblClick:
      if (mouse->button() == Qt::LeftButton && CaptionRect().contains(pos) &&
          !IsInteractive(childAt(pos)) && minimumSize() != maximumSize() &&
          FindControl(QStringLiteral("maxbtn"))) {
        isMaximized() ? showNormal() : showMaximized();
        return true;
      }
      return false;
    default:
      return false;
  }
}

bool WindowImplBase::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress: {
      auto* widget = qobject_cast<QWidget*>(watched);
      if (widget && widget->window() == this && isVisible()) {
        return MessageFilter(static_cast<QKeyEvent*>(event));
      }
      break;
    }
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
      // The top-level window sees every mouse event of its widgets before they do.
      if (watched == windowHandle()) return HandleWindowMouse(event);
      break;
    default:
      break;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace vesmar
