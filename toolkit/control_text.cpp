#include "toolkit/control_text.h"

#include <QAbstractButton>
#include <QColor>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace vesmar {

void SetControlText(QWidget* control, const QString& text) {
  if (auto* label = qobject_cast<QLabel*>(control)) {
    label->setText(text);
  } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
    button->setText(text);
  } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
    edit->setText(text);
  } else if (auto* rich = qobject_cast<QTextEdit*>(control)) {
    rich->setPlainText(text);
  } else if (auto* plain = qobject_cast<QPlainTextEdit*>(control)) {
    plain->setPlainText(text);
  } else if (auto* group = qobject_cast<QGroupBox*>(control)) {
    group->setTitle(text);
  } else if (control) {
    control->setToolTip(text);
  }
}

QString ControlText(const QWidget* control) {
  if (auto* label = qobject_cast<const QLabel*>(control)) return label->text();
  if (auto* button = qobject_cast<const QAbstractButton*>(control)) return button->text();
  if (auto* edit = qobject_cast<const QLineEdit*>(control)) return edit->text();
  if (auto* rich = qobject_cast<const QTextEdit*>(control)) return rich->toPlainText();
  if (auto* plain = qobject_cast<const QPlainTextEdit*>(control)) return plain->toPlainText();
  if (auto* group = qobject_cast<const QGroupBox*>(control)) return group->title();
  return control ? control->toolTip() : QString();
}

// A widget's own style sheet outranks the application's, so the colour holds whatever the theme
// says; the value is kept as a property to be read back.
void SetTextColor(QWidget* control, quint32 argb) {
  if (!control) return;
  const QColor c = QColor::fromRgba(argb);
  control->setProperty("textcolor", argb);
  control->setStyleSheet(QStringLiteral("color: rgba(%1,%2,%3,%4);")
                             .arg(c.red())
                             .arg(c.green())
                             .arg(c.blue())
                             .arg(c.alpha()));
}

quint32 TextColor(const QWidget* control) {
  if (!control) return 0;
  const QVariant stored = control->property("textcolor");
  if (stored.isValid()) return stored.toUInt();
  return control->palette().color(QPalette::WindowText).rgba();
}

}  // namespace vesmar
