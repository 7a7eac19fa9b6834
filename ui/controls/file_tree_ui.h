// The category tree ("FileTree"): nodes with folder buttons, icons and tri-state check boxes.
//
// Raises "itemselect" when the selected node changes, "itemexpand" after a node was expanded or
// collapsed, and "checkboxselectchanged" after the user changed a check box and its descendants
// and ancestors were updated (wParam: the QTreeWidgetItem* whose box changed).
#pragma once

#include <QTreeWidget>

namespace vesmar {

class CFileTreeUI : public QTreeWidget {
  Q_OBJECT
 public:
  explicit CFileTreeUI(QWidget* parent = nullptr);

  // A node under `parent` (top level when null). `icon` is a skin image attribute; `style` is
  // kept as the node's "style" (for example "TreeNodeType" or "TreeNodeText").
  QTreeWidgetItem* AddNode(QTreeWidgetItem* parent, const QString& text, bool checkBox,
                           const QString& icon = {}, const QString& style = {});

  // Nodes that are not clickable cannot be selected.
  static void SetNodeClickable(QTreeWidgetItem* node, bool clickable);
  static bool IsNodeClickable(const QTreeWidgetItem* node);
  static void SetCheckBoxEnabled(QTreeWidgetItem* node, bool enabled);

  // Changes a check box the way a click does (descendants, ancestors, notification).
  void SetChecked(QTreeWidgetItem* node, bool checked);
  // Changes only this check box and raises nothing (for showing a state computed elsewhere).
  void SetCheckState(QTreeWidgetItem* node, Qt::CheckState state);
  // Checked or half-checked.
  static bool IsChecked(const QTreeWidgetItem* node);
  static bool IsHalfChecked(const QTreeWidgetItem* node);

 signals:
  void notify(const QString& type, quintptr wParam, qintptr lParam);

 private:
  void OnItemChanged(QTreeWidgetItem* item, int column);
  void Propagate(QTreeWidgetItem* item);

  bool updating_ = false;
};

}  // namespace vesmar
