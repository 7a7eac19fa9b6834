#include "recovery/recovery_category.h"

namespace vesmar {

std::string_view CategoryTreeText(RecoveryCategory category) {
  for (const auto& entry : kCategoryTree)
    if (entry.code != 0 && entry.code == static_cast<std::int32_t>(category)) return entry.treeText;
  return {};
}

}  // namespace vesmar
