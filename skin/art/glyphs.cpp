#include "glyphs.h"

#include <QLinearGradient>
#include <QPainterPath>
#include <QtMath>

#include "palette.h"

namespace art {
namespace {

// Maps a `grid`-unit design square onto `box`.
class Grid {
 public:
  Grid(QPainter& p, const QRectF& box, double grid) : p_(p) {
    p_.save();
    p_.setRenderHint(QPainter::Antialiasing);
    p_.translate(box.topLeft());
    p_.scale(box.width() / grid, box.height() / grid);
  }
  ~Grid() { p_.restore(); }

 private:
  QPainter& p_;
};

QPen Line(const QColor& c, double w) { return QPen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin); }

void Stroke(QPainter& p, const QPainterPath& path, const QColor& c, double w) {
  p.setPen(Line(c, w));
  p.setBrush(Qt::NoBrush);
  p.drawPath(path);
}

void Fill(QPainter& p, const QPainterPath& path, const QColor& c) {
  p.setPen(Qt::NoPen);
  p.setBrush(c);
  p.drawPath(path);
}

QPainterPath RoundRect(double x1, double y1, double x2, double y2, double r) {
  QPainterPath path;
  path.addRoundedRect(QRectF(QPointF(x1, y1), QPointF(x2, y2)), r, r);
  return path;
}

QPainterPath Circle(double cx, double cy, double r) {
  QPainterPath path;
  path.addEllipse(QPointF(cx, cy), r, r);
  return path;
}

QPainterPath Poly(std::initializer_list<QPointF> points, bool closed = false) {
  QPainterPath path;
  bool first = true;
  for (const QPointF& pt : points) {
    if (first) {
      path.moveTo(pt);
      first = false;
    } else {
      path.lineTo(pt);
    }
  }
  if (closed) path.closeSubpath();
  return path;
}

QPainterPath Handset() {
  QPainterPath path;
  path.moveTo(5.4, 4.2);
  path.lineTo(9.0, 4.2);
  path.lineTo(10.5, 8.2);
  path.lineTo(8.2, 9.8);
  path.cubicTo(9.3, 12.4, 11.5, 14.6, 14.1, 15.7);
  path.lineTo(15.7, 13.4);
  path.lineTo(19.8, 14.9);
  path.lineTo(19.8, 18.6);
  path.cubicTo(19.8, 19.7, 18.9, 20.6, 17.8, 20.5);
  path.cubicTo(10.3, 19.9, 4.3, 13.9, 3.6, 6.4);
  path.cubicTo(3.5, 5.2, 4.3, 4.2, 5.4, 4.2);
  path.closeSubpath();
  return path;
}

QPainterPath Phone(double x, double y, double w, double h) {
  QPainterPath path = RoundRect(x, y, x + w, y + h, w * 0.2);
  return path;
}

void DrawPhone(QPainter& p, double x, double y, double w, double h, const QColor& c, double s,
               const QColor& fill = Qt::transparent) {
  if (fill.alpha()) Fill(p, Phone(x, y, w, h), fill);
  Stroke(p, Phone(x, y, w, h), c, s);
  p.setPen(Line(c, s));
  p.drawLine(QPointF(x + w * 0.4, y + h - h * 0.1), QPointF(x + w * 0.6, y + h - h * 0.1));
}

void CheckMark(QPainter& p, double cx, double cy, double r, const QColor& c, double w) {
  Stroke(p, Poly({{cx - r * 0.5, cy + r * 0.02}, {cx - r * 0.12, cy + r * 0.4}, {cx + r * 0.55, cy - r * 0.35}}),
         c, w);
}

}  // namespace

void DrawGlyph(QPainter& p, const QRectF& box, Glyph glyph, const QColor& c, double s) {
  Grid grid(p, box, 24);
  switch (glyph) {
    case Glyph::CameraRoll: {
      QPainterPath body = RoundRect(2.5, 7, 21.5, 19.5, 3);
      body = body.united(Poly({{7.8, 7.5}, {9.3, 4.5}, {14.7, 4.5}, {16.2, 7.5}}, true));
      Stroke(p, body, c, s);
      Stroke(p, Circle(12, 13.2, 3.6), c, s);
      break;
    }
    case Glyph::PhotoStream: {
      QPainterPath cloud = Circle(8.5, 14, 4.5).united(Circle(14.5, 11, 5.8));
      cloud = cloud.united(RoundRect(4, 13, 20.5, 18.5, 2.75));
      cloud = cloud.united(Circle(18, 14.8, 3.7));
      Stroke(p, cloud, c, s);
      break;
    }
    case Glyph::AppPhotos:
      for (double x : {3.5, 13.0}) {
        for (double y : {3.5, 13.0}) Stroke(p, RoundRect(x, y, x + 7.5, y + 7.5, 2.2), c, s);
      }
      break;
    case Glyph::AppVideos:
      Stroke(p, RoundRect(2.5, 4.5, 21.5, 19.5, 3.2), c, s);
      Fill(p, Poly({{10, 8.8}, {15.6, 12}, {10, 15.2}}, true), c);
      Stroke(p, Poly({{10, 8.8}, {15.6, 12}, {10, 15.2}}, true), c, s * 0.6);
      break;
    case Glyph::Messages: {
      QPainterPath bubble = RoundRect(3, 4, 21, 16.5, 4.5);
      bubble = bubble.united(Poly({{6.8, 15.5}, {6.2, 20.8}, {12, 16}}, true));
      Stroke(p, bubble, c, s);
      break;
    }
    case Glyph::Attachment: {
      QPainterPath clip;
      clip.moveTo(14, 9);
      clip.lineTo(14, 16);
      clip.arcTo(QRectF(10, 14, 4, 4), 0, -180);
      clip.lineTo(10, 6.5);
      clip.arcTo(QRectF(10, 3.5, 6, 6), 180, -180);
      clip.lineTo(16, 17);
      clip.arcTo(QRectF(8, 13, 8, 8), 0, -180);
      clip.lineTo(8, 9);
      p.translate(12, 12);
      p.rotate(40);
      p.translate(-12, -12.2);
      Stroke(p, clip, c, s);
      break;
    }
    case Glyph::Contacts: {
      Stroke(p, Circle(12, 8.3, 3.9), c, s);
      QPainterPath shoulders;
      shoulders.moveTo(4.5, 20.5);
      shoulders.cubicTo(4.8, 16.2, 8.0, 13.9, 12, 13.9);
      shoulders.cubicTo(16.0, 13.9, 19.2, 16.2, 19.5, 20.5);
      Stroke(p, shoulders, c, s);
      break;
    }
    case Glyph::CallHistory:
      Stroke(p, Handset(), c, s);
      break;
    case Glyph::Notes:
      Stroke(p, RoundRect(4.5, 3, 19.5, 21, 2.6), c, s);
      for (const auto& [y, x2] : {std::pair{8.5, 15.5}, {12.2, 15.5}, {15.9, 12.5}}) {
        p.setPen(Line(c, s));
        p.drawLine(QPointF(8, y), QPointF(x2, y));
      }
      break;
    case Glyph::WhatsApp: {
      QPainterPath bubble = Circle(12.4, 11.6, 8.4);
      bubble = bubble.united(Poly({{3.3, 20.9}, {4.9, 15.2}, {9.2, 19.3}}, true));
      Stroke(p, bubble, c, s);
      p.save();
      p.translate(7.4, 6.8);
      p.scale(0.42, 0.42);
      Fill(p, Handset(), c);
      p.restore();
      break;
    }
    case Glyph::Folder: {
      QPainterPath folder = RoundRect(3, 6.5, 21, 19.5, 2.2);
      folder = folder.united(Poly({{3, 8}, {3, 5.8}, {4.5, 4.5}, {9.2, 4.5}, {11.2, 6.8}, {11.2, 8}}, true));
      Fill(p, folder, kAccentSoft);
      Stroke(p, folder, c, s);
      p.setPen(Line(c, s));
      p.drawLine(QPointF(3, 9.3), QPointF(21, 9.3));
      break;
    }
    case Glyph::Picture:
      Stroke(p, RoundRect(3, 4.5, 21, 19.5, 2.6), c, s);
      Fill(p, Circle(8.6, 9.6, 1.9), c);
      Stroke(p, Poly({{3.6, 17.6}, {9, 12.6}, {13, 16.1}, {16, 13.6}, {20.4, 17.4}}), c, s);
      break;
    case Glyph::Video:
      Stroke(p, RoundRect(2.5, 6, 15.5, 18, 2.6), c, s);
      Stroke(p, Poly({{15.5, 10.3}, {21.5, 7.3}, {21.5, 16.7}, {15.5, 13.7}}, true), c, s);
      break;
    case Glyph::Menu:
      p.setPen(Line(c, s));
      for (double y : {7.0, 12.0, 17.0}) p.drawLine(QPointF(5, y), QPointF(19, y));
      break;
    case Glyph::Minimize:
      p.setPen(Line(c, s));
      p.drawLine(QPointF(6, 12.5), QPointF(18, 12.5));
      break;
    case Glyph::Maximize:
      Stroke(p, RoundRect(6, 6, 18, 18, 1.5), c, s);
      break;
    case Glyph::Restore:
      Stroke(p, RoundRect(5.5, 8.5, 15.5, 18.5, 1.5), c, s);
      Stroke(p, Poly({{8.5, 5.5}, {17, 5.5}, {18.5, 7}, {18.5, 15.5}}), c, s);
      break;
    case Glyph::Close:
      p.setPen(Line(c, s));
      p.drawLine(QPointF(6.5, 6.5), QPointF(17.5, 17.5));
      p.drawLine(QPointF(17.5, 6.5), QPointF(6.5, 17.5));
      break;
    case Glyph::Pause:
      Fill(p, RoundRect(6.5, 5, 10.3, 19, 1.2), c);
      Fill(p, RoundRect(13.7, 5, 17.5, 19, 1.2), c);
      break;
    case Glyph::Play:
      Fill(p, Poly({{7.5, 4.8}, {19, 12}, {7.5, 19.2}}, true), c);
      Stroke(p, Poly({{7.5, 4.8}, {19, 12}, {7.5, 19.2}}, true), c, 1.4);
      break;
    case Glyph::Stop:
      Fill(p, RoundRect(6, 6, 18, 18, 2), c);
      break;
    case Glyph::Home:
      Stroke(p, Poly({{3.5, 11.5}, {12, 4}, {20.5, 11.5}}), c, s);
      Stroke(p, Poly({{6, 9.5}, {6, 20}, {18, 20}, {18, 9.5}}), c, s);
      Stroke(p, Poly({{10, 20}, {10, 14.5}, {14, 14.5}, {14, 20}}), c, s);
      break;
    case Glyph::Recover:
      p.setPen(Line(c, s));
      p.drawLine(QPointF(12, 3.5), QPointF(12, 14.5));
      Stroke(p, Poly({{7.5, 10.5}, {12, 15}, {16.5, 10.5}}), c, s);
      Stroke(p, Poly({{4, 15}, {4, 19.5}, {20, 19.5}, {20, 15}}), c, s);
      break;
    case Glyph::Print:
      Stroke(p, Poly({{7, 9}, {7, 3.5}, {17, 3.5}, {17, 9}}), c, s);
      Stroke(p, RoundRect(3.5, 9, 20.5, 17, 2), c, s);
      Fill(p, RoundRect(6.5, 14, 17.5, 20.5, 0.5), Qt::white);
      Stroke(p, RoundRect(7, 14, 17, 20.5, 0.5), c, s);
      break;
    case Glyph::Back:
      p.setPen(Line(c, s));
      p.drawLine(QPointF(19.5, 12), QPointF(5, 12));
      Stroke(p, Poly({{11, 6}, {5, 12}, {11, 18}}), c, s);
      break;
    case Glyph::FolderOpen: {
      QPainterPath folder = RoundRect(3, 6.5, 21, 19.5, 2.2);
      folder = folder.united(Poly({{3, 8}, {3, 5.8}, {4.5, 4.5}, {9.2, 4.5}, {11.2, 6.8}, {11.2, 8}}, true));
      Stroke(p, folder, c, s);
      break;
    }
    case Glyph::Scan:
      Stroke(p, Circle(10.5, 10.5, 6.2), c, s);
      p.setPen(Line(c, s));
      p.drawLine(QPointF(15.2, 15.2), QPointF(20.5, 20.5));
      break;
    case Glyph::Retry: {
      QPainterPath arc;
      arc.arcMoveTo(QRectF(4.5, 4.5, 15, 15), 60);
      arc.arcTo(QRectF(4.5, 4.5, 15, 15), 60, 290);
      Stroke(p, arc, c, s);
      Stroke(p, Poly({{15.8, 3.2}, {16.2, 6.6}, {12.8, 7.4}}), c, s);
      break;
    }
    case Glyph::Link:
      Stroke(p, Poly({{13, 4}, {20, 4}, {20, 11}}), c, s);
      p.setPen(Line(c, s));
      p.drawLine(QPointF(20, 4), QPointF(11, 13));
      Stroke(p, Poly({{17, 14}, {17, 19.5}, {4.5, 19.5}, {4.5, 7}, {10, 7}}), c, s);
      break;
    case Glyph::Lock: {
      Stroke(p, RoundRect(5, 10.5, 19, 20.5, 2.2), c, s);
      QPainterPath shackle;
      shackle.moveTo(8, 10.5);
      shackle.lineTo(8, 7.8);
      shackle.arcTo(QRectF(8, 3.8, 8, 8), 180, -180);
      shackle.lineTo(16, 10.5);
      Stroke(p, shackle, c, s);
      break;
    }
    case Glyph::Device:
      DrawPhone(p, 6.5, 2.5, 11, 19, c, s);
      break;
    case Glyph::Backup: {
      // A clock face inside a turning arrow: a copy kept from an earlier time.
      QPainterPath arc;
      arc.arcMoveTo(QRectF(3.5, 3.5, 17, 17), 150);
      arc.arcTo(QRectF(3.5, 3.5, 17, 17), 150, -300);
      Stroke(p, arc, c, s);
      Stroke(p, Poly({{3.0, 4.8}, {4.1, 8.6}, {7.9, 7.6}}), c, s);
      Stroke(p, Poly({{12, 7.8}, {12, 12.2}, {15, 14}}), c, s);
      break;
    }
  }
}

void DrawDeletedMark(QPainter& p, const QRectF& box) {
  Grid grid(p, box, 16);
  Fill(p, Circle(8, 8, 7.6), kDeleted);
  p.setPen(Line(Qt::white, 1.25));
  p.drawLine(QPointF(4.6, 5.4), QPointF(11.4, 5.4));
  p.drawLine(QPointF(6.9, 4.0), QPointF(9.1, 4.0));
  Stroke(p, Poly({{5.6, 6.6}, {6.2, 11.9}, {9.8, 11.9}, {10.4, 6.6}}), Qt::white, 1.25);
}

void DrawBackupImage(QPainter& p, const QRectF& box, bool locked) {
  Grid grid(p, QRectF(box.topLeft(), QSizeF(box.width(), box.width())), 48);  // 48 x 26 units
  DrawPhone(p, 9, 2, 13.5, 22, kAccent, 1.7, kAccentWash);
  const QColor lockColor = locked ? kWarning : kTrack;
  Fill(p, RoundRect(27, 12.5, 40, 23.5, 2.2), lockColor);
  QPainterPath shackle;
  shackle.moveTo(30, 12.5);
  shackle.lineTo(30, 9.5);
  shackle.arcTo(QRectF(30, 5.5, 7, 7), 180, -180);
  if (locked) {
    shackle.lineTo(37, 12.5);
  } else {
    shackle.lineTo(37, 10.5);  // lifted out of the body
  }
  if (!locked) {
    QTransform lift;
    lift.translate(3.2, -2.2);
    shackle = lift.map(shackle);
  }
  Stroke(p, shackle, lockColor, 2.0);
  Fill(p, Circle(33.5, 17.3, 1.6), Qt::white);
  Fill(p, RoundRect(32.9, 17.6, 34.1, 20.6, 0.5), Qt::white);
}

void DrawSourceTile(QPainter& p, const QRectF& box, Glyph glyph) {
  Grid grid(p, box, 55);
  QLinearGradient gradient(0, 0, 55, 55);
  gradient.setColorAt(0, kAccentLight);
  gradient.setColorAt(1, kAccentDark);
  p.setPen(Qt::NoPen);
  p.setBrush(gradient);
  p.drawRoundedRect(QRectF(0.5, 0.5, 54, 54), 14, 14);
  DrawGlyph(p, QRectF(11.5, 11.5, 32, 32), glyph, Qt::white, 1.6);
}

void DrawSwitch(QPainter& p, const QRectF& box, bool on) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.translate(box.topLeft());
  Fill(p, RoundRect(0.5, 0.5, 35.5, box.height() - 0.5, (box.height() - 1) / 2), on ? kAccent : kTrack);
  const double r = (box.height() - 5) / 2;
  const double cx = on ? 36 - 2.5 - r : 2.5 + r;
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 0, 30));
  p.drawEllipse(QPointF(cx, box.height() / 2 + 0.6), r, r);
  p.setBrush(Qt::white);
  p.drawEllipse(QPointF(cx, box.height() / 2), r, r);
  p.restore();
}

void DrawBoxIcon(QPainter& p, const QRectF& box, BoxIcon icon) {
  Grid grid(p, box, 48);
  QColor color = kAccent;
  switch (icon) {
    case BoxIcon::Error: color = kDanger; break;
    case BoxIcon::Confirmation: color = kSuccess; break;
    case BoxIcon::Warning: color = kWarning; break;
    default: break;
  }
  QColor wash = color;
  wash.setAlpha(36);
  Fill(p, Circle(24, 24, 23), wash);
  Fill(p, Circle(24, 24, 17.5), color);
  p.setPen(Line(Qt::white, 3.4));
  switch (icon) {
    case BoxIcon::Error:
      p.drawLine(QPointF(18.5, 18.5), QPointF(29.5, 29.5));
      p.drawLine(QPointF(29.5, 18.5), QPointF(18.5, 29.5));
      break;
    case BoxIcon::Confirmation:
      CheckMark(p, 24, 24, 11, Qt::white, 3.4);
      break;
    case BoxIcon::Information:
      Fill(p, Circle(24, 16.5, 2.3), Qt::white);
      p.setPen(Line(Qt::white, 3.6));
      p.drawLine(QPointF(24, 22.5), QPointF(24, 32));
      break;
    case BoxIcon::Warning:
      p.drawLine(QPointF(24, 15.5), QPointF(24, 26));
      Fill(p, Circle(24, 32, 2.3), Qt::white);
      break;
    case BoxIcon::Question: {
      QPainterPath q;
      q.moveTo(18.8, 20.2);
      q.cubicTo(18.8, 16.6, 21.2, 14.6, 24.2, 14.6);
      q.cubicTo(27.2, 14.6, 29.4, 16.6, 29.4, 19.4);
      q.cubicTo(29.4, 23.4, 24.2, 23.6, 24.2, 27.4);
      Stroke(p, q, Qt::white, 3.4);
      Fill(p, Circle(24.2, 33, 2.3), Qt::white);
      break;
    }
  }
}

void DrawLogo(QPainter& p, const QRectF& box) {
  Grid grid(p, box, 64);
  QLinearGradient gradient(0, 0, 64, 64);
  gradient.setColorAt(0, kAccentLight);
  gradient.setColorAt(1, kAccentDark);
  p.setPen(Qt::NoPen);
  p.setBrush(gradient);
  p.drawRoundedRect(QRectF(1, 1, 62, 62), 15, 15);
  // A turning arrow around a phone: data brought back.
  QPainterPath arc;
  arc.arcMoveTo(QRectF(12, 12, 40, 40), 120);
  arc.arcTo(QRectF(12, 12, 40, 40), 120, -330);
  Stroke(p, arc, Qt::white, 4.2);
  const QPointF tip(22.0, 14.7);
  Fill(p, Poly({tip + QPointF(-7.5, -2.8), tip + QPointF(3.2, -1.8), tip + QPointF(-3.6, 7.0)}, true),
       Qt::white);
  DrawPhone(p, 25.5, 20, 13, 24, Qt::white, 3.2);
}

void DrawScene(QPainter& p, const QRectF& box, Scene scene) {
  Grid grid(p, box, 160);  // 160 x 120 design units
  Fill(p, Circle(80, 60, 56), kAccentWash);
  if (scene == Scene::Connect) {
    // A phone, its cable, and the computer it goes to.
    DrawPhone(p, 34, 22, 34, 62, kAccent, 3.0, Qt::white);
    QPainterPath cable;
    cable.moveTo(51, 84);
    cable.cubicTo(51, 104, 82, 104, 96, 92);
    QPen dashed = Line(kMuted, 2.4);
    dashed.setDashPattern({2.0, 2.2});
    p.setPen(dashed);
    p.setBrush(Qt::NoBrush);
    p.drawPath(cable);
    Fill(p, RoundRect(86, 38, 134, 74, 4), Qt::white);
    Stroke(p, RoundRect(86, 38, 134, 74, 4), kAccent, 3.0);
    Stroke(p, Poly({{80, 84}, {140, 84}}), kAccent, 3.0);
    Stroke(p, Poly({{92, 74}, {88, 84}}), kAccent, 3.0);
    Stroke(p, Poly({{128, 74}, {132, 84}}), kAccent, 3.0);
    return;
  }
  DrawPhone(p, 60, 18, 40, 76, kAccent, 3.0, Qt::white);
  const bool ready = scene == Scene::Ready;
  const QColor badge = ready ? kSuccess : kWarning;
  Fill(p, Circle(100, 88, 16), Qt::white);
  Fill(p, Circle(100, 88, 13), badge);
  if (ready) {
    CheckMark(p, 100, 88, 10, Qt::white, 3.0);
  } else {
    p.setPen(Line(Qt::white, 3.0));
    p.drawLine(QPointF(100, 81), QPointF(100, 89.5));
    Fill(p, Circle(100, 95, 1.9), Qt::white);
  }
}

void DrawSpinnerFrame(QPainter& p, const QRectF& box, double t) {
  Grid grid(p, box, 64);
  p.setPen(Line(kLine, 5));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QPointF(32, 32), 24, 24);
  QPainterPath arc;
  const double start = 90 - t * 360;
  arc.arcMoveTo(QRectF(8, 8, 48, 48), start);
  arc.arcTo(QRectF(8, 8, 48, 48), start, -100);
  Stroke(p, arc, kAccent, 5);
}

void DrawDeviceScanFrame(QPainter& p, const QRectF& box, double t) {
  Grid grid(p, box, 48);
  Fill(p, Circle(24, 24, 23.5), kAccentWash);
  const QRectF phone(14, 6, 20, 36);
  DrawPhone(p, phone.x(), phone.y(), phone.width(), phone.height(), kAccent, 2.0, Qt::white);
  // A scan line running down and back up the screen, with a fading trail.
  const double phase = t < 0.5 ? t * 2 : 2 - t * 2;
  const double y = phone.top() + 5 + phase * (phone.height() - 12);
  const double dir = t < 0.5 ? -1 : 1;
  QLinearGradient trail(0, y, 0, y + dir * 9);
  QColor strong = kAccentLight;
  strong.setAlpha(110);
  QColor none = kAccentLight;
  none.setAlpha(0);
  trail.setColorAt(0, strong);
  trail.setColorAt(1, none);
  p.setPen(Qt::NoPen);
  p.setBrush(trail);
  p.drawRect(QRectF(QPointF(phone.left() + 3, y), QPointF(phone.right() - 3, y + dir * 9)).normalized());
  p.setPen(Line(kAccent, 2.0));
  p.drawLine(QPointF(phone.left() + 3.5, y), QPointF(phone.right() - 3.5, y));
}

void DrawBackupScanFrame(QPainter& p, const QRectF& box, double t) {
  Grid grid(p, box, 48);
  Fill(p, Circle(24, 24, 23.5), kAccentWash);
  // A stack of three disks, read one after another, inside a turning ring.
  p.setPen(Line(kAccentSoft, 3));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QPointF(24, 24), 19, 19);
  QPainterPath ring;
  const double start = 90 - t * 360;
  ring.arcMoveTo(QRectF(5, 5, 38, 38), start);
  ring.arcTo(QRectF(5, 5, 38, 38), start, -80);
  Stroke(p, ring, kAccent, 3);
  const int lit = static_cast<int>(t * 3) % 3;
  for (int i = 0; i < 3; ++i) {
    const double y = 15 + i * 6.5;
    QPainterPath disk = RoundRect(15, y, 33, y + 5, 2.2);
    Fill(p, disk, i == lit ? kAccent : Qt::white);
    Stroke(p, disk, kAccent, 1.6);
  }
}

}  // namespace art
