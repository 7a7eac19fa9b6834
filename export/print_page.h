// The printable page of the category shown: the selected records as HTML blocks inside the
// "Print.html" template. The print window shows the page file and prints it.
#pragma once

#include <atomic>
#include <filesystem>
#include <string>
#include <string_view>

#include "export/document_template.h"
#include "results/scan_results_model.h"

namespace vesmar {

// The body for `category`: every selected record that the deleted-items filter does not hide,
// in list order (a conversation or chat with all its messages). Categories without a printed
// form give an empty body. `cancel`, when given, is looked at before each record and each
// message; once set the build ends with 2. Returns 0 otherwise.
int BuildPrintBody(const CScanResultsModel& model, RecoveryCategory category, std::string& body,
                   const std::atomic<bool>* cancel = nullptr);

// "Print.html" of the template folder; empty head and tail when it cannot be read, so the
// page then holds the body alone.
DocumentTemplate LoadPrintTemplate(const std::filesystem::path& templateFolder);

// Writes head, body and tail to `page`, replacing the previous page and creating its folder.
// Returns 0 or the system error code.
int WritePrintPage(const std::filesystem::path& page, const DocumentTemplate& pageTemplate, std::string_view body);

}  // namespace vesmar
