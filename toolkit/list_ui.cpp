#include "toolkit/list_ui.h"

#include <QDynamicPropertyChangeEvent>
#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QStyledItemDelegate>

#include "toolkit/notify.h"

namespace vesmar {
namespace {

constexpr int kCheckRole = Qt::UserRole + 0x7F0;  // the check state last seen

class RowHeightDelegate : public QStyledItemDelegate {
 public:
  RowHeightDelegate(CListUI* list) : QStyledItemDelegate(list), list_(list) {}
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    if (list_->ItemHeight() > 0) size.setHeight(list_->ItemHeight());
    return size;
  }

 private:
  CListUI* list_;
};

}  // namespace

CListUI::CListUI(QWidget* parent) : QTreeWidget(parent) {
  setRootIsDecorated(false);
  setUniformRowHeights(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setAllColumnsShowFocus(true);
  setTextElideMode(Qt::ElideRight);
  setItemDelegate(new RowHeightDelegate(this));
  header()->setStretchLastSection(true);
  header()->setSectionsMovable(false);
  header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  connect(this, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current) {
    emit notify(notify::kItemSelect, reinterpret_cast<quintptr>(current), 0);
  });
  connect(this, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
    emit notify(notify::kListItemDbClick, reinterpret_cast<quintptr>(item), 0);
  });
  connect(this, &QTreeWidget::itemChanged, this, &CListUI::OnItemChanged);
}

void CListUI::SetItemHeight(int height) {
  itemHeight_ = height;
  doItemsLayout();
}

void CListUI::SetItemChecked(QTreeWidgetItem* item, bool checked) {
  if (!item) return;
  settingCheck_ = true;
  const Qt::CheckState state = checked ? Qt::Checked : Qt::Unchecked;
  item->setData(0, kCheckRole, static_cast<int>(state));
  item->setCheckState(0, state);
  settingCheck_ = false;
}

void CListUI::OnItemChanged(QTreeWidgetItem* item, int column) {
  if (column != 0 || !(item->flags() & Qt::ItemIsUserCheckable)) return;
  const QVariant state = item->data(0, Qt::CheckStateRole);
  if (!state.isValid() || item->data(0, kCheckRole) == state) return;
  item->setData(0, kCheckRole, state);
  if (!settingCheck_) emit notify(notify::kListCheckClick, reinterpret_cast<quintptr>(item), 0);
}

void CListUI::BindHeader(QWidget* header) {
  for (QWidget* column : columns_) column->removeEventFilter(this);
  columns_.clear();
  header_ = header;
  if (!header) {
    this->header()->show();
    return;
  }
  for (int i = 1;; ++i) {
    auto* column = header->findChild<QWidget*>(QStringLiteral("Col%1").arg(i));
    if (!column) break;
    columns_.append(column);
    column->installEventFilter(this);
  }
  this->header()->hide();
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setColumnCount(static_cast<int>(columns_.size()));
  SyncColumns();
}

void CListUI::SyncColumns() {
  if (columns_.isEmpty()) return;
  QStringList texts;
  for (QWidget* column : columns_) {
    auto* label = qobject_cast<QLabel*>(column);
    texts.append(label ? label->text() : QString());
  }
  setHeaderLabels(texts);
  int last = -1;
  for (int i = 0; i < columns_.size(); ++i) {
    if (!columns_[i]->isHidden()) last = i;
  }
  for (int i = 0; i < columns_.size(); ++i) {
    QWidget* column = columns_[i];
    const bool hidden = column->isHidden();
    setColumnHidden(i, hidden);
    // The last shown column takes what is left, so the rows never need a horizontal scroll.
    if (!hidden && i != last) setColumnWidth(i, column->width());
  }
}

bool CListUI::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::ShowToParent:
    case QEvent::HideToParent:
      if (columns_.contains(static_cast<QWidget*>(watched))) SyncColumns();
      break;
    default:
      break;
  }
  return QTreeWidget::eventFilter(watched, event);
}

bool CListUI::event(QEvent* event) {
  if (event->type() == QEvent::DynamicPropertyChange) {
    const auto* change = static_cast<QDynamicPropertyChangeEvent*>(event);
    if (change->propertyName() == "itemheight") SetItemHeight(property("itemheight").toInt());
  }
  return QTreeWidget::event(event);
}

}  // namespace vesmar
