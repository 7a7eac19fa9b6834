// An animated GIF picture on a button ("ButtonGif"): the scanning and loading animations.
#pragma once

#include <QImage>
#include <QList>
#include <QPushButton>
#include <QTimer>

namespace vesmar {

class CButtonGifUI : public QPushButton {
  Q_OBJECT
 public:
  explicit CButtonGifUI(QWidget* parent = nullptr);

  // Loads the GIF from the skin (layout attribute "normalgiffile"); an empty name is ignored.
  void SetGif(const QString& file);
  // The same from the bytes of a GIF file.
  void SetGifData(QByteArray bytes);
  void Play();
  // Keeps the current frame on show.
  void Stop();

  bool IsPlaying() const { return playing_; }
  int FrameCount() const { return static_cast<int>(frames_.size()); }
  int CurrentFrame() const { return current_; }
  int FrameDelay(int frame) const;
  // The interval the frame timer runs with, -1 when stopped.
  int TimerInterval() const { return timer_.isActive() ? timer_.interval() : -1; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool event(QEvent* event) override;

 private:
  struct Frame {
    QImage image;
    int delayMs;
  };
  QList<Frame> frames_;
  int current_ = 0;
  bool playing_ = false;
  bool advance_ = false;
  QTimer timer_;
};

}  // namespace vesmar
