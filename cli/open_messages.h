// One-line explanations of why a backup could not be opened.
#pragma once

#include <filesystem>
#include <string>

namespace vesmar::cli {

std::string OpenFailureText(int code, const std::filesystem::path& folder);

}  // namespace vesmar::cli
