#include "toolkit/skin_style.h"

#include <QApplication>
#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOption>

#include "toolkit/skin_archive.h"

namespace vesmar {
namespace {

const QColor kAccent = QColor::fromRgba(kAccentColor);
const QColor kBorder(0xC3, 0xCA, 0xD5);
const QColor kMuted(0x6B, 0x72, 0x80);

class SkinStyle : public QProxyStyle {
 public:
  SkinStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

  int pixelMetric(PixelMetric metric, const QStyleOption* option,
                  const QWidget* widget) const override {
    switch (metric) {
      case PM_IndicatorWidth:
      case PM_IndicatorHeight:
        return 16;
      case PM_SmallIconSize:
        return 18;
      default:
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
  }

  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* data) const override {
    if (hint == SH_ItemView_ShowDecorationSelected) return 1;
    return QProxyStyle::styleHint(hint, option, widget, data);
  }

  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
    switch (element) {
      case PE_IndicatorCheckBox:
      case PE_IndicatorItemViewItemCheck:
        DrawCheck(option, painter);
        return;
      case PE_IndicatorBranch:
        DrawBranch(option, painter);
        return;
      default:
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }
  }

 private:
  static void DrawCheck(const QStyleOption* option, QPainter* painter) {
    const bool enabled = option->state & State_Enabled;
    const bool on = option->state & State_On;
    const bool partial = option->state & State_NoChange;
    const bool hover = option->state & State_MouseOver;
    const int side = 16;
    QRectF box(option->rect.x() + (option->rect.width() - side) / 2.0,
               option->rect.y() + (option->rect.height() - side) / 2.0, side, side);
    box.adjust(0.5, 0.5, -0.5, -0.5);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    QColor fill = Qt::white;
    QColor edge = hover ? kAccent : kBorder;
    if (on || partial) {
      fill = enabled ? kAccent : QColor(0xA9, 0xBC, 0xE6);
      edge = fill;
    } else if (!enabled) {
      fill = QColor(0xF1, 0xF3, 0xF6);
      edge = QColor(0xDD, 0xE1, 0xE7);
    }
    painter->setPen(QPen(edge, 1));
    painter->setBrush(fill);
    painter->drawRoundedRect(box, 3.5, 3.5);
    painter->setPen(QPen(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter->setBrush(Qt::NoBrush);
    if (partial) {
      painter->drawLine(QPointF(box.left() + 4, box.center().y()),
                        QPointF(box.right() - 4, box.center().y()));
    } else if (on) {
      QPainterPath tick;
      tick.moveTo(box.left() + 3.8, box.top() + 8.2);
      tick.lineTo(box.left() + 6.6, box.top() + 11.0);
      tick.lineTo(box.left() + 11.6, box.top() + 5.0);
      painter->drawPath(tick);
    }
    painter->restore();
  }

  static void DrawBranch(const QStyleOption* option, QPainter* painter) {
    if (!(option->state & State_Children)) return;
    const QPointF c = QRectF(option->rect).center();
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QPen(kMuted, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPainterPath chevron;
    if (option->state & State_Open) {
      chevron.moveTo(c.x() - 4, c.y() - 2);
      chevron.lineTo(c.x(), c.y() + 2);
      chevron.lineTo(c.x() + 4, c.y() - 2);
    } else {
      chevron.moveTo(c.x() - 2, c.y() - 4);
      chevron.lineTo(c.x() + 2, c.y());
      chevron.lineTo(c.x() - 2, c.y() + 4);
    }
    painter->drawPath(chevron);
    painter->restore();
  }
};

}  // namespace

void ApplySkinStyle(QApplication& app) {
  app.setStyle(new SkinStyle);
  QFont font;
  font.setFamilies({QStringLiteral("Inter"), QStringLiteral("Noto Sans"),
                    QStringLiteral("Cantarell"), QStringLiteral("DejaVu Sans")});
  font.setPixelSize(13);
  font.setHintingPreference(QFont::PreferNoHinting);
  app.setFont(font);
  app.setStyleSheet(QString::fromUtf8(CSkinArchive::Instance().Read(QStringLiteral("style.qss"))));
}

}  // namespace vesmar
