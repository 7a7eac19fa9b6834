// What a data list shows for each category: its columns, and the cell texts and icon of a row.
// The list control only draws what this gives it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "recovery/recovery_category.h"
#include "results/record_ref.h"

namespace vesmar {

struct ListColumn {
  std::string_view header;
  int width;            // pixels; 0 takes the remaining space
  bool centred = false;
};

// Columns of a category's list; `insideApp` picks the file list of an opened app folder
// (App Photos, App Videos), otherwise those categories list their apps.
std::vector<ListColumn> ListColumns(RecoveryCategory category, bool insideApp = false);

enum class RowIcon { None, Picture, Video, Folder, DeletedMark };

struct ListRow {
  std::vector<std::u16string> cells;  // one per column
  RowIcon icon = RowIcon::None;
  bool deleted = false;               // drawn in the deleted colour
};

// The row of one record of `category`.
ListRow MakeListRow(RecoveryCategory category, const RecordRef& record);
// The row of an app group in the app list.
ListRow MakeAppRow(std::u16string_view appName);

}  // namespace vesmar
