// Small texts of the export: the stamp that names its documents, and the English text of a
// failed item's code for the detail list.
#pragma once

#include <ctime>
#include <string>

namespace vesmar {

// Local time as "YYYYMMDDhhmmss".
std::string ExportStamp(std::time_t when);

// The text shown beside a failed item: the export's own codes (87 a file that could not be
// opened or created, 30 a source shorter than listed), else the system's text of the code.
std::string ItemErrorText(int code);

}  // namespace vesmar
