#include "gif_writer.h"

#include <QHash>

#include <map>
#include <string>

namespace art {
namespace {

void Put16(QByteArray& out, int v) {
  out.append(static_cast<char>(v & 0xFF));
  out.append(static_cast<char>((v >> 8) & 0xFF));
}

// Packs variable-width codes into bytes, least significant bit first, in sub-blocks of 255.
class BitPacker {
 public:
  void Write(int code, int width) {
    acc_ |= static_cast<quint32>(code) << bits_;
    bits_ += width;
    while (bits_ >= 8) {
      bytes_.append(static_cast<char>(acc_ & 0xFF));
      acc_ >>= 8;
      bits_ -= 8;
    }
  }
  QByteArray Finish() {
    if (bits_ > 0) bytes_.append(static_cast<char>(acc_ & 0xFF));
    QByteArray blocks;
    for (qsizetype i = 0; i < bytes_.size(); i += 255) {
      const QByteArray part = bytes_.mid(i, 255);
      blocks.append(static_cast<char>(part.size()));
      blocks.append(part);
    }
    blocks.append('\0');
    return blocks;
  }

 private:
  QByteArray bytes_;
  quint32 acc_ = 0;
  int bits_ = 0;
};

QByteArray Lzw(const QByteArray& indices) {
  constexpr int kMinCodeSize = 8;
  constexpr int kClear = 1 << kMinCodeSize;
  constexpr int kEnd = kClear + 1;
  BitPacker packer;
  std::map<std::pair<int, int>, int> table;
  int next = kEnd + 1;
  int width = kMinCodeSize + 1;
  packer.Write(kClear, width);
  int prefix = -1;
  for (char ch : indices) {
    const int c = static_cast<unsigned char>(ch);
    if (prefix < 0) {
      prefix = c;
      continue;
    }
    auto it = table.find({prefix, c});
    if (it != table.end()) {
      prefix = it->second;
      continue;
    }
    packer.Write(prefix, width);
    table[{prefix, c}] = next++;
    if (next > (1 << width)) ++width;
    if (next == 4096) {
      packer.Write(kClear, width);
      table.clear();
      next = kEnd + 1;
      width = kMinCodeSize + 1;
    }
    prefix = c;
  }
  if (prefix >= 0) packer.Write(prefix, width);
  packer.Write(kEnd, width);
  QByteArray out;
  out.append(static_cast<char>(kMinCodeSize));
  out.append(packer.Finish());
  return out;
}

}  // namespace

QByteArray EncodeGif(const QList<GifFrame>& frames, const QVector<QRgb>& palette) {
  if (frames.isEmpty()) return {};
  const QSize size = frames.first().image.size();
  QByteArray out("GIF89a");
  Put16(out, size.width());
  Put16(out, size.height());
  out.append(static_cast<char>(0xF7));  // global table of 256 entries, 8 bits per colour
  out.append('\0');
  out.append('\0');
  for (int i = 0; i < 256; ++i) {
    const QRgb c = i < palette.size() ? palette[i] : qRgb(0, 0, 0);
    out.append(static_cast<char>(qRed(c)));
    out.append(static_cast<char>(qGreen(c)));
    out.append(static_cast<char>(qBlue(c)));
  }
  // Loop forever.
  out.append("\x21\xFF\x0BNETSCAPE2.0\x03\x01", 16);
  Put16(out, 0);
  out.append('\0');

  QHash<QRgb, int> nearest;
  for (const GifFrame& frame : frames) {
    out.append("\x21\xF9\x04", 3);
    out.append(static_cast<char>(0x04));  // dispose: leave in place
    Put16(out, qMax(2, frame.delayMs / 10));
    out.append('\0');
    out.append('\0');
    out.append(',');
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, size.width());
    Put16(out, size.height());
    out.append('\0');
    const QImage image = frame.image.convertToFormat(QImage::Format_RGB32);
    QByteArray indices;
    indices.reserve(size.width() * size.height());
    for (int y = 0; y < size.height(); ++y) {
      const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
      for (int x = 0; x < size.width(); ++x) {
        const QRgb c = line[x] | 0xFF000000u;
        auto it = nearest.constFind(c);
        if (it == nearest.constEnd()) {
          int best = 0;
          long bestDistance = -1;
          for (int i = 0; i < palette.size(); ++i) {
            const long dr = qRed(c) - qRed(palette[i]);
            const long dg = qGreen(c) - qGreen(palette[i]);
            const long db = qBlue(c) - qBlue(palette[i]);
            const long d = dr * dr * 3 + dg * dg * 4 + db * db * 2;
            if (bestDistance < 0 || d < bestDistance) {
              bestDistance = d;
              best = i;
            }
          }
          it = nearest.insert(c, best);
        }
        indices.append(static_cast<char>(it.value()));
      }
    }
    out.append(Lzw(indices));
  }
  out.append(';');
  return out;
}

}  // namespace art
