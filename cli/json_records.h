// Scan results as JSON: {"result": code, "categories": {"<tree text>": [records...]}}.
#pragma once

#include <nlohmann/json.hpp>

#include "recovery/scan_run.h"

namespace vesmar::cli {

nlohmann::ordered_json ScanResultsJson(int resultCode, const ScanResults& results);

// Live and deleted counts per category, in tree order (files count as live).
struct CategoryCount {
  const char* name;
  std::size_t live;
  std::size_t deleted;
};
std::vector<CategoryCount> CountCategories(const ScanResults& results);

}  // namespace vesmar::cli
