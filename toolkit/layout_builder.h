// Builds the skin's layouts (Qt Designer documents stored in the skin archive) into widgets.
//
// Beyond what Designer writes, a layout may carry these dynamic properties, applied after
// loading: "include" (another layout built into this widget), "hidden" (starts hidden), "group"
// (checkable buttons of one name exclude each other), "image" (a label's picture), "normalimage",
// "selectedimage", "disabledimage" (a button's icon for its states), "bkimage" (a picture behind
// the widget), "header" (the row of column labels of a "ListEx" list), "itemheight" (its rows).
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace vesmar {

// Creates a control for a layout class name, or returns nullptr to leave it to the toolkit.
using ControlFactory = std::function<QWidget*(const QString& className, QWidget* parent)>;

class CDialogBuilder {
 public:
  // Builds the layout into `host`, which gets a margin-less box layout holding the layout's root.
  // Returns the root, or nullptr when the layout is missing or broken.
  static QWidget* Create(const QString& layoutName, QWidget* host,
                         const ControlFactory& factory = {});

  // Builds the layout as a child of `parent` (or parentless), for elements added to lists.
  static QWidget* CreateWidget(const QString& layoutName, QWidget* parent,
                               const ControlFactory& factory = {});

  // Applies the dynamic properties above to `root` and everything below it.
  static void ApplySkinAttributes(QWidget* root, const ControlFactory& factory = {});
};

// The toolkit's own layout classes: "ListEx" and "ElementList"; nullptr for any other name.
QWidget* CreateToolkitControl(const QString& className, QWidget* parent);

}  // namespace vesmar
