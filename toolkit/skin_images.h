// Pictures cut out of the skin's images.
//
// An image attribute is a plain file name ("logo.png") or the form
// "file='Controls.png' source='x1,y1,x2,y2' dest='x1,y1,x2,y2'": `source` is the rectangle cut
// out of the file (right and bottom exclusive), `dest` where it is drawn inside the control. When
// the archive also holds "<name>@2x.<ext>" and the screen has a device pixel ratio above 1, the
// picture is cut from that file at twice the coordinates.
#pragma once

#include <QPixmap>
#include <QRect>
#include <QString>

#include <optional>

class QWidget;

namespace vesmar {

struct ImageSpec {
  QString file;
  std::optional<QRect> source;
  std::optional<QRect> dest;
};

std::optional<ImageSpec> ParseImageSpec(const QString& attribute);

// A null pixmap when the file is missing or the source lies outside it. Cached.
QPixmap LoadSkinImage(const QString& attribute, qreal devicePixelRatio = 0);

// Draws the picture at its `dest` rectangle (top-left corner when none) behind the widget's own
// painting. An empty attribute removes it.
void SetBkImage(QWidget* widget, const QString& attribute);

}  // namespace vesmar
