#include "toolkit/element_list_ui.h"

#include <QLayoutItem>
#include <QVBoxLayout>

namespace vesmar {

CElementListUI::CElementListUI(QWidget* parent) : QScrollArea(parent) {
  setWidgetResizable(true);
  setFrameShape(QFrame::NoFrame);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  content_ = new QWidget;
  content_->setObjectName(QStringLiteral("ElementListContent"));
  layout_ = new QVBoxLayout(content_);
  layout_->setContentsMargins(8, 8, 8, 8);
  layout_->setSpacing(6);
  layout_->addStretch(1);
  setWidget(content_);
}

void CElementListUI::Add(QWidget* element) {
  if (!element) return;
  element->setParent(content_);
  // Elements take the list's width, however wide their own content would like to be.
  element->setSizePolicy(QSizePolicy::Ignored, element->sizePolicy().verticalPolicy());
  layout_->insertWidget(layout_->count() - 1, element);
  element->show();
}

void CElementListUI::RemoveAll() {
  while (layout_->count() > 1) {
    QLayoutItem* item = layout_->takeAt(0);
    if (QWidget* w = item->widget()) delete w;
    delete item;
  }
}

int CElementListUI::Count() const { return layout_->count() - 1; }

QWidget* CElementListUI::ElementAt(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return layout_->itemAt(index)->widget();
}

}  // namespace vesmar
