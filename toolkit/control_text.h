// Text and text colour of any control, whatever its kind.
#pragma once

#include <QString>
#include <QtGlobal>

class QWidget;

namespace vesmar {

// Labels, buttons, edits, group boxes, text views; other widgets take it as their tool tip.
void SetControlText(QWidget* control, const QString& text);
QString ControlText(const QWidget* control);

// Colours are 0xAARRGGBB, as the layouts write them.
void SetTextColor(QWidget* control, quint32 argb);
quint32 TextColor(const QWidget* control);

}  // namespace vesmar
