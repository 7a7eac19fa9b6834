#include "ui/control_factory.h"

#include "ui/controls/button_gif_ui.h"
#include "ui/controls/file_tree_ui.h"
#include "ui/controls/label_ex_ui.h"

namespace vesmar {

QWidget* CreateProgramControl(const QString& className, QWidget* parent) {
  if (className == QLatin1String("FileTree")) return new CFileTreeUI(parent);
  if (className == QLatin1String("ButtonGif")) return new CButtonGifUI(parent);
  if (className == QLatin1String("LabelEx")) return new CLabelExUI(parent);
  return nullptr;
}

}  // namespace vesmar
