// A vertical list of whole widgets ("ElementList"): message bubbles, a contact card. Elements
// keep their own height (word-wrapped labels grow with the width) and stack from the top.
#pragma once

#include <QScrollArea>

class QVBoxLayout;

namespace vesmar {

class CElementListUI : public QScrollArea {
  Q_OBJECT
 public:
  explicit CElementListUI(QWidget* parent = nullptr);

  void Add(QWidget* element);  // the list takes ownership
  void RemoveAll();
  int Count() const;
  QWidget* ElementAt(int index) const;

 private:
  QWidget* content_;
  QVBoxLayout* layout_;
};

}  // namespace vesmar
