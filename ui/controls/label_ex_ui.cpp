#include "ui/controls/label_ex_ui.h"

namespace vesmar {

CLabelExUI::CLabelExUI(QWidget* parent) : QLabel(parent) {
  setTextFormat(Qt::PlainText);
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
}

int CLabelExUI::TextHeightFor(int width) const {
  return wordWrap() ? heightForWidth(width) : sizeHint().height();
}

}  // namespace vesmar
