#include "export/print_page.h"

#include "export/conversation_documents.h"
#include "export/html_text.h"
#include "export/unique_path.h"
#include "platform/file_ops.h"
#include "recovery/result_codes.h"
#include "results/display_texts.h"

namespace vesmar {

namespace {

using C = RecoveryCategory;

std::string Field(std::string_view label, const std::string& escapedValue) {
  return "<p><span>" + std::string(label) + ":</span>" + escapedValue + "</p>\r\n";
}

std::string Field(std::string_view label, std::u16string_view value) { return Field(label, HtmlEscape(value)); }

bool IsSet(const std::atomic<bool>* cancel) { return cancel && cancel->load(); }

std::string ContactBlock(const ContactRecord& c) {
  return "<div>\r\n" + Field("Name", c.name) + Field("Phone Number", c.phones) + Field("Company", c.company) +
         Field("Email", c.emails) + Field("URL", c.url) + "</div>\r\n";
}

std::string CallBlock(const CallRecord& call) {
  return "<div>\r\n" + Field("Name", call.name) + Field("Phone Number", call.address) + Field("Date", call.date) +
         Field("Type", std::string(CallDirectionText(call))) + Field("Duration", CallDurationText(call)) +
         "</div>\r\n";
}

std::string NoteBlock(const NoteRecord& note) {
  return "<div>\r\n" + Field("Title", note.title) + Field("Date", note.date) + Field("Notes", note.content) +
         "</div>\r\n";
}

int ConversationBlocks(const std::vector<MessageRecord>& messages, std::string& body, const std::atomic<bool>* cancel) {
  for (const auto& line : LinesOf(messages)) {
    if (IsSet(cancel)) return result::kStopped;
    body += "<div>\r\n";
    body += Field(line.fromMe ? "To" : "From", PartyOf(line.name, line.address));
    body += Field("Date", line.date) + Field("Content", line.text) + "</div>\r\n";
  }
  return result::kOk;
}

int ChatBlock(const WhatsAppMessageRecord& row, const std::vector<WhatsAppMessageRecord>& messages, std::string& body,
              const std::atomic<bool>* cancel) {
  body += "<div>\r\n" + Field("Chats", row.chatName) +
          Field("Name", row.memberNames.empty() ? row.senderName : row.memberNames) +
          Field("Phone Number", row.memberPhones.empty() ? row.senderPhone : row.memberPhones) +
          "<p><span>Content:</span></p>\r\n";
  for (const auto& m : messages) {
    if (IsSet(cancel)) return result::kStopped;
    body += "<p>" + (m.fromMe ? std::string("Me") : HtmlEscape(m.senderName)) + " (" + HtmlEscape(m.date) +
            "): " + HtmlEscape(m.text) + "</p>";
  }
  body += "</div>\r\n";
  return result::kOk;
}

}  // namespace

int BuildPrintBody(const CScanResultsModel& model, RecoveryCategory category, std::string& body,
                   const std::atomic<bool>* cancel) {
  body.clear();
  int answer = result::kOk;
  model.ForEachRecord(category, [&](const RecordRef& ref) {
    if (answer != result::kOk) return;
    if (IsSet(cancel)) {
      answer = result::kStopped;
      return;
    }
    if (!model.IsChosen(RecordIdentity(ref))) return;
    switch (category) {
      case C::Messages: {
        const auto* row = std::get<const MessageRecord*>(ref);
        answer = ConversationBlocks(model.ConversationMessages(row->handleId), body, cancel);
        break;
      }
      case C::WhatsApp: {
        const auto* row = std::get<const WhatsAppMessageRecord*>(ref);
        answer = ChatBlock(*row, model.ChatMessages(row->chatId), body, cancel);
        break;
      }
      case C::Contacts: body += ContactBlock(*std::get<const ContactRecord*>(ref)); break;
      case C::CallHistory: body += CallBlock(*std::get<const CallRecord*>(ref)); break;
      case C::Notes: body += NoteBlock(*std::get<const NoteRecord*>(ref)); break;
      default: break;
    }
  });
  return answer;
}

DocumentTemplate LoadPrintTemplate(const std::filesystem::path& templateFolder) {
  auto loaded = LoadDocumentTemplate(templateFolder / kPrintTemplate, u"");
  return loaded ? std::move(*loaded) : DocumentTemplate{};
}

int WritePrintPage(const std::filesystem::path& page, const DocumentTemplate& pageTemplate, std::string_view body) {
  CreateFolders(page.parent_path());
  std::filesystem::path target = page;
  return WriteDocument(target, {pageTemplate.head, body, pageTemplate.tail}, true);
}

}  // namespace vesmar
