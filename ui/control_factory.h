// The program's own layout classes: "FileTree", "ButtonGif" and "LabelEx".
#pragma once

#include <QString>

class QWidget;

namespace vesmar {

// The control for the class name, or nullptr so that the toolkit makes its standard one.
QWidget* CreateProgramControl(const QString& className, QWidget* parent);

}  // namespace vesmar
