// A small GIF89a writer for the skin's animations: one global palette, looping, per-frame delays.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QList>
#include <QVector>

namespace art {

struct GifFrame {
  QImage image;   // any format; all frames share one size
  int delayMs = 80;
};

// Maps every pixel to the nearest palette colour (at most 256 colours).
QByteArray EncodeGif(const QList<GifFrame>& frames, const QVector<QRgb>& palette);

}  // namespace art
