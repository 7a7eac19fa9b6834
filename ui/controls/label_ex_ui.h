// A label that keeps its own text style ("LabelEx"): the text of a message bubble. With word
// wrapping a long text takes as many lines as it needs at the width it is given.
#pragma once

#include <QLabel>

namespace vesmar {

class CLabelExUI : public QLabel {
  Q_OBJECT
 public:
  explicit CLabelExUI(QWidget* parent = nullptr);

  // The height the text needs at `width` pixels, padding included.
  int TextHeightFor(int width) const;
};

}  // namespace vesmar
