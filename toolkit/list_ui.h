// The list control of the layouts ("ListEx"): rows with columns, check boxes and icons.
//
// Raises "itemselect" when the current row changes, "list_item_dbclick" on a double click and
// "list_check_click" when the user changes a row's check box (wParam: the QTreeWidgetItem*).
// A list may take its column headers from a row of labels named Col1, Col2, ... (layout
// attribute "header" naming the row): a hidden label hides its column, and the columns follow
// the labels' widths as the row lays them out (a label without fixed width takes the rest).
#pragma once

#include <QTreeWidget>

namespace vesmar {

class CListUI : public QTreeWidget {
  Q_OBJECT
 public:
  explicit CListUI(QWidget* parent = nullptr);

  void BindHeader(QWidget* header);
  QWidget* Header() const { return header_; }

  // Every row gets this height (layout attribute "itemheight"); 0 leaves it to the style.
  void SetItemHeight(int height);
  int ItemHeight() const { return itemHeight_; }

  // Sets a row's check box without raising "list_check_click".
  void SetItemChecked(QTreeWidgetItem* item, bool checked);

 signals:
  void notify(const QString& type, quintptr wParam, qintptr lParam);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void SyncColumns();
  void OnItemChanged(QTreeWidgetItem* item, int column);

  QWidget* header_ = nullptr;
  QList<QWidget*> columns_;
  int itemHeight_ = 0;
  bool settingCheck_ = false;
};

}  // namespace vesmar
