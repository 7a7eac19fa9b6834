// Scan results as JSON: {"result": code, "categories": {"<tree text>": [records...]}}.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "recovery/scan_run.h"

namespace vesmar::cli {

nlohmann::ordered_json ScanResultsJson(int resultCode, const ScanResults& results);
// The same shape for a scan that could not run: empty categories, and why in "error".
nlohmann::ordered_json ScanFailureJson(int resultCode, const std::string& why);

// A document as text. Names from the file system or a damaged database need not be valid
// UTF-8: such bytes are written as U+FFFD instead of ending the program.
std::string JsonText(const nlohmann::ordered_json& value, int indent = -1);

// Live and deleted counts per category, in tree order (files count as live).
struct CategoryCount {
  const char* name;
  std::size_t live;
  std::size_t deleted;
};
std::vector<CategoryCount> CountCategories(const ScanResults& results);

}  // namespace vesmar::cli
