#include "export/document_template.h"

#include "export/html_text.h"
#include "platform/file_ops.h"
#include "platform/folders.h"
#include "recovery/result_codes.h"

namespace vesmar {

namespace {

// Templates are small pages; anything larger is not one of ours.
constexpr std::uint64_t kTemplateLimit = 4 * 1024 * 1024;
constexpr std::string_view kContentMarker = "{|content|}";

}  // namespace

std::optional<DocumentTemplate> LoadDocumentTemplate(const std::filesystem::path& file, std::u16string_view title) {
  auto bytes = ReadWholeFile(file, kTemplateLimit);
  if (!bytes) return std::nullopt;
  DocumentTemplate result;
  const auto marker = bytes->find(kContentMarker);
  if (marker == std::string::npos) {
    result.head = std::move(*bytes);
  } else {
    result.head = bytes->substr(0, marker);
    result.tail = bytes->substr(marker + kContentMarker.size());
  }
  ReplaceAll(result.head, "{|title|}", HtmlEscape(title));
  return result;
}

int LoadExportTemplates(const std::filesystem::path& folder, std::u16string_view ownerName,
                        ExportTemplates& templates, std::filesystem::path* missing) {
  struct Item {
    std::string_view file;
    std::u16string_view titlePrefix;
    DocumentTemplate* target;
  };
  const Item items[] = {
      {kCallHistoryTemplate, u"iPhone's Call History of ", &templates.calls},
      {kNotesTemplate, u"iPhone's Notes of ", &templates.notes},
      {kContactsTemplate, u"iPhone's Contacts of ", &templates.contacts},
      {kMessagesTemplate, u"iPhone's Messages of ", &templates.messages},
      {kWhatsAppTemplate, u"iPhone's WhatsApp Messages of ", &templates.whatsApp},
  };
  for (const auto& item : items) {
    const auto path = folder / item.file;
    auto loaded = LoadDocumentTemplate(path, std::u16string(item.titlePrefix) + std::u16string(ownerName));
    if (!loaded) {
      if (missing) *missing = path;
      return result::kInvalid;
    }
    *item.target = std::move(*loaded);
  }
  return result::kOk;
}

std::filesystem::path DefaultTemplateFolder() { return ProgramFolder() / "template"; }

}  // namespace vesmar
