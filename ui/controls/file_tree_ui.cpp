#include "ui/controls/file_tree_ui.h"

#include <QHeaderView>
#include <QIcon>

#include "toolkit/notify.h"
#include "toolkit/skin_images.h"

namespace vesmar {
namespace {

constexpr int kSeenRole = Qt::UserRole + 0x7F1;   // the check state last seen
constexpr int kStyleRole = Qt::UserRole + 0x7F2;

void SetStateSilently(QTreeWidgetItem* item, Qt::CheckState state) {
  item->setData(0, kSeenRole, static_cast<int>(state));
  item->setCheckState(0, state);
}

void SetDescendants(QTreeWidgetItem* item, Qt::CheckState state) {
  for (int i = 0; i < item->childCount(); ++i) {
    QTreeWidgetItem* child = item->child(i);
    if (child->flags() & Qt::ItemIsUserCheckable) SetStateSilently(child, state);
    SetDescendants(child, state);
  }
}

}  // namespace

CFileTreeUI::CFileTreeUI(QWidget* parent) : QTreeWidget(parent) {
  setHeaderHidden(true);
  setColumnCount(1);
  setIndentation(14);
  // A double click toggles the node's folder button, whatever part of the row was hit.
  setExpandsOnDoubleClick(false);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setUniformRowHeights(true);
  connect(this, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current) {
    emit notify(notify::kItemSelect, reinterpret_cast<quintptr>(current), 0);
  });
  connect(this, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
    emit notify(notify::kItemExpand, reinterpret_cast<quintptr>(item), 1);
  });
  connect(this, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* item) {
    emit notify(notify::kItemExpand, reinterpret_cast<quintptr>(item), 0);
  });
  connect(this, &QTreeWidget::itemChanged, this, &CFileTreeUI::OnItemChanged);
  connect(this, &QTreeWidget::itemDoubleClicked, this, [](QTreeWidgetItem* item) {
    if (item->childCount() > 0) item->setExpanded(!item->isExpanded());
  });
}

QTreeWidgetItem* CFileTreeUI::AddNode(QTreeWidgetItem* parent, const QString& text, bool checkBox,
                                      const QString& icon, const QString& style) {
  updating_ = true;
  auto* node = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
  node->setText(0, text);
  node->setData(0, kStyleRole, style);
  if (!icon.isEmpty()) node->setIcon(0, QIcon(LoadSkinImage(icon)));
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (checkBox) flags |= Qt::ItemIsUserCheckable;
  node->setFlags(flags);
  if (checkBox) SetStateSilently(node, Qt::Unchecked);
  updating_ = false;
  return node;
}

void CFileTreeUI::SetNodeClickable(QTreeWidgetItem* node, bool clickable) {
  if (!node) return;
  node->setFlags(clickable ? node->flags() | Qt::ItemIsSelectable
                           : node->flags() & ~Qt::ItemIsSelectable);
}

bool CFileTreeUI::IsNodeClickable(const QTreeWidgetItem* node) {
  return node && (node->flags() & Qt::ItemIsSelectable);
}

void CFileTreeUI::SetCheckBoxEnabled(QTreeWidgetItem* node, bool enabled) {
  if (!node) return;
  node->setFlags(enabled ? node->flags() | Qt::ItemIsUserCheckable
                         : node->flags() & ~Qt::ItemIsUserCheckable);
}

bool CFileTreeUI::IsChecked(const QTreeWidgetItem* node) {
  return node && node->checkState(0) != Qt::Unchecked;
}

bool CFileTreeUI::IsHalfChecked(const QTreeWidgetItem* node) {
  return node && node->checkState(0) == Qt::PartiallyChecked;
}

void CFileTreeUI::SetCheckState(QTreeWidgetItem* node, Qt::CheckState state) {
  if (!node) return;
  updating_ = true;
  SetStateSilently(node, state);
  updating_ = false;
}

void CFileTreeUI::SetChecked(QTreeWidgetItem* node, bool checked) {
  if (!node) return;
  node->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);  // runs OnItemChanged
}

void CFileTreeUI::OnItemChanged(QTreeWidgetItem* item, int column) {
  if (updating_ || column != 0) return;
  const QVariant state = item->data(0, Qt::CheckStateRole);
  if (!state.isValid() || item->data(0, kSeenRole) == state) return;
  updating_ = true;
  // A click on a half-checked box leaves it plainly checked or unchecked.
  Qt::CheckState now = static_cast<Qt::CheckState>(state.toInt());
  if (now == Qt::PartiallyChecked) now = Qt::Checked;
  SetStateSilently(item, now);
  Propagate(item);
  updating_ = false;
  emit notify(notify::kCheckBoxSelectChanged, reinterpret_cast<quintptr>(item), 0);
}

void CFileTreeUI::Propagate(QTreeWidgetItem* item) {
  SetDescendants(item, item->checkState(0));
  for (QTreeWidgetItem* parent = item->parent(); parent; parent = parent->parent()) {
    if (!(parent->data(0, Qt::CheckStateRole).isValid())) continue;  // no check box
    int checked = 0;
    int half = 0;
    int boxes = 0;
    for (int i = 0; i < parent->childCount(); ++i) {
      const QTreeWidgetItem* child = parent->child(i);
      if (!child->data(0, Qt::CheckStateRole).isValid()) continue;
      ++boxes;
      if (child->checkState(0) == Qt::Checked) ++checked;
      if (child->checkState(0) == Qt::PartiallyChecked) ++half;
    }
    Qt::CheckState state = Qt::PartiallyChecked;
    if (boxes > 0 && checked == boxes) {
      state = Qt::Checked;
    } else if (checked == 0 && half == 0) {
      state = Qt::Unchecked;
    }
    SetStateSilently(parent, state);
  }
}

}  // namespace vesmar
