#include "ui/controls/button_gif_ui.h"

#include <QBuffer>
#include <QDynamicPropertyChangeEvent>
#include <QImageReader>
#include <QPainter>

#include "toolkit/skin_archive.h"

namespace vesmar {
namespace {

// Frames that ask for no delay are shown for the usual tenth of a second, as browsers do.
constexpr int kDefaultDelayMs = 100;
constexpr int kMaxFrames = 1000;

}  // namespace

CButtonGifUI::CButtonGifUI(QWidget* parent) : QPushButton(parent) {
  timer_.setTimerType(Qt::PreciseTimer);
  connect(&timer_, &QTimer::timeout, this, [this] {
    advance_ = true;
    update();
  });
}

void CButtonGifUI::SetGif(const QString& file) {
  if (file.isEmpty()) return;
  SetGifData(CSkinArchive::Instance().Read(file));
}

void CButtonGifUI::SetGifData(QByteArray bytes) {
  timer_.stop();
  frames_.clear();
  current_ = 0;
  advance_ = false;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, "gif");
  while (frames_.size() < kMaxFrames) {
    QImage image = reader.read();
    if (image.isNull()) break;
    const int delay = reader.nextImageDelay();
    frames_.append({image, delay > 10 ? delay : kDefaultDelayMs});
  }
  update();
}

int CButtonGifUI::FrameDelay(int frame) const {
  return frame >= 0 && frame < frames_.size() ? frames_[frame].delayMs : -1;
}

void CButtonGifUI::Play() {
  playing_ = true;
  timer_.start(frames_.isEmpty() ? kDefaultDelayMs : frames_[current_].delayMs);
}

void CButtonGifUI::Stop() {
  playing_ = false;
  timer_.stop();
  update();
}

void CButtonGifUI::paintEvent(QPaintEvent* event) {
  if (frames_.isEmpty()) {
    QPushButton::paintEvent(event);
    return;
  }
  if (advance_) {
    advance_ = false;
    current_ = (current_ + 1) % static_cast<int>(frames_.size());
  }
  const Frame& frame = frames_[current_];
  QPainter painter(this);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  QSize size = frame.image.size();
  size.scale(rect().size(), Qt::KeepAspectRatio);
  QRect target(QPoint(0, 0), size);
  target.moveCenter(rect().center());
  painter.drawImage(target, frame.image);
  if (playing_ && timer_.interval() != frame.delayMs) timer_.start(frame.delayMs);
}

bool CButtonGifUI::event(QEvent* event) {
  if (event->type() == QEvent::DynamicPropertyChange &&
      static_cast<QDynamicPropertyChangeEvent*>(event)->propertyName() == "normalgiffile") {
    SetGif(property("normalgiffile").toString());
  }
  return QPushButton::event(event);
}

}  // namespace vesmar
