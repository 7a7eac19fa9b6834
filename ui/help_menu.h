// The help menu of the title row: Help, About and Support open pages shipped with the program,
// Exit asks the main window to close.
#pragma once

#include <QString>

class QWidget;

namespace vesmar {

class WindowImplBase;
class CMenuWnd;

// The shipped page for "item_help", "item_about" or "item_support"; empty for other items.
QString HelpPagePath(const QString& item);

// Opens the menu below `button` (its bottom-left corner); returns the menu window.
CMenuWnd* OpenHelpMenu(WindowImplBase& mainWindow, QWidget* button);

}  // namespace vesmar
