// The HTML templates of the export and the print page: read whole, split at "{|content|}"
// into the text before it (head) and after it (tail); "{|title|}" in the head becomes the
// document's title.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vesmar {

struct DocumentTemplate {
  std::string head;
  std::string tail;  // empty when the template has no "{|content|}"
};

// The template files, relative to the template folder ("template" beside the program).
inline constexpr std::string_view kCallHistoryTemplate = "CallHistory.html";
inline constexpr std::string_view kNotesTemplate = "Notes.html";
inline constexpr std::string_view kContactsTemplate = "contacts.html";
inline constexpr std::string_view kMessagesTemplate = "Sms.html";
inline constexpr std::string_view kWhatsAppTemplate = "WhatsApp.html";
inline constexpr std::string_view kPrintTemplate = "Print.html";

// Reads a template and puts `title` (escaped) in place of every "{|title|}" of its head;
// nothing when the file cannot be read.
std::optional<DocumentTemplate> LoadDocumentTemplate(const std::filesystem::path& file, std::u16string_view title);

// The five templates of an export, their titles naming the device's owner.
struct ExportTemplates {
  DocumentTemplate calls;
  DocumentTemplate notes;
  DocumentTemplate contacts;
  DocumentTemplate messages;
  DocumentTemplate whatsApp;
};

// Loads all five, in the order call history, notes, contacts, messages, WhatsApp. Returns 0,
// or 87 with `missing` set to the first template that could not be read.
int LoadExportTemplates(const std::filesystem::path& folder, std::u16string_view ownerName,
                        ExportTemplates& templates, std::filesystem::path* missing = nullptr);

// The folder "template" beside the running program.
std::filesystem::path DefaultTemplateFolder();

}  // namespace vesmar
