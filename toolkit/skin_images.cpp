#include "toolkit/skin_images.h"

#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QPaintEvent>
#include <QPointer>
#include <QRegularExpression>
#include <QWidget>

#include "toolkit/skin_archive.h"

namespace vesmar {
namespace {

std::optional<QRect> ParseRect(const QString& text) {
  const QStringList parts = text.split(QLatin1Char(','));
  if (parts.size() != 4) return std::nullopt;
  int v[4];
  for (int i = 0; i < 4; ++i) {
    bool ok = false;
    v[i] = parts[i].trimmed().toInt(&ok);
    if (!ok) return std::nullopt;
  }
  if (v[2] <= v[0] || v[3] <= v[1]) return std::nullopt;
  return QRect(QPoint(v[0], v[1]), QSize(v[2] - v[0], v[3] - v[1]));
}

QImage DecodeSkinFile(const QString& file) {
  static QHash<QString, QImage> cache;
  if (auto it = cache.constFind(file); it != cache.constEnd()) return it.value();
  QImage image;
  image.loadFromData(CSkinArchive::Instance().Read(file));
  cache.insert(file, image);
  return image;
}

QString DoubleName(const QString& file) {
  const int dot = file.lastIndexOf(QLatin1Char('.'));
  return dot < 0 ? file + QStringLiteral("@2x") : file.left(dot) + QStringLiteral("@2x") + file.mid(dot);
}

// Paints a widget's background picture before the widget paints itself.
class BkImagePainter : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      auto* widget = static_cast<QWidget*>(watched);
      const QString attribute = widget->property("bkimage").toString();
      const QPixmap pixmap = LoadSkinImage(attribute, widget->devicePixelRatioF());
      if (!pixmap.isNull()) {
        const auto parsed = ParseImageSpec(attribute);
        const QSize logical = pixmap.deviceIndependentSize().toSize();
        const QRect target = parsed && parsed->dest ? *parsed->dest : QRect(QPoint(0, 0), logical);
        QPainter painter(widget);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawPixmap(target, pixmap);
      }
    }
    return false;
  }
};

}  // namespace

std::optional<ImageSpec> ParseImageSpec(const QString& attribute) {
  const QString text = attribute.trimmed();
  if (text.isEmpty()) return std::nullopt;
  ImageSpec parsed;
  if (!text.contains(QLatin1Char('='))) {
    parsed.file = text;
    return parsed;
  }
  static const QRegularExpression pair(QStringLiteral("(\\w+)\\s*=\\s*'([^']*)'"));
  for (auto it = pair.globalMatch(text); it.hasNext();) {
    const auto m = it.next();
    const QString key = m.captured(1);
    if (key == QLatin1String("file")) {
      parsed.file = m.captured(2);
    } else if (key == QLatin1String("source")) {
      parsed.source = ParseRect(m.captured(2));
      if (!parsed.source) return std::nullopt;
    } else if (key == QLatin1String("dest")) {
      parsed.dest = ParseRect(m.captured(2));
    }
  }
  if (parsed.file.isEmpty()) return std::nullopt;
  return parsed;
}

QPixmap LoadSkinImage(const QString& attribute, qreal dpr) {
  if (dpr <= 0) dpr = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
  const int scale = dpr > 1.0 && CSkinArchive::Instance().Contains(DoubleName(
                        ParseImageSpec(attribute) ? ParseImageSpec(attribute)->file : QString()))
                        ? 2
                        : 1;
  static QHash<QString, QPixmap> cache;
  const QString key = attribute + QLatin1Char('|') + QString::number(scale);
  if (auto it = cache.constFind(key); it != cache.constEnd()) return it.value();

  QPixmap pixmap;
  if (const auto parsed = ParseImageSpec(attribute)) {
    const QImage image = DecodeSkinFile(scale == 2 ? DoubleName(parsed->file) : parsed->file);
    if (!image.isNull()) {
      QImage part = image;
      if (parsed->source) {
        const QRect source(parsed->source->topLeft() * scale, parsed->source->size() * scale);
        part = image.rect().contains(source) ? image.copy(source) : QImage();
      }
      if (!part.isNull()) {
        pixmap = QPixmap::fromImage(part);
        pixmap.setDevicePixelRatio(scale);
      }
    }
  }
  cache.insert(key, pixmap);
  return pixmap;
}

void SetBkImage(QWidget* widget, const QString& attribute) {
  static BkImagePainter* painter = new BkImagePainter;
  if (!widget) return;
  widget->setProperty("bkimage", attribute);
  widget->removeEventFilter(painter);
  if (!attribute.isEmpty()) widget->installEventFilter(painter);
  widget->update();
}

}  // namespace vesmar
