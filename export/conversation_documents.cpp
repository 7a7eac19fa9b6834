#include "export/conversation_documents.h"

#include <cstdio>

#include "export/csv_field.h"
#include "export/html_text.h"
#include "export/unique_path.h"
#include "platform/text.h"
#include "recovery/result_codes.h"

namespace vesmar {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool NamesSomeone(std::u16string_view name) { return !name.empty() && name != u"Unknown"; }

std::string LabelLine(const char* label, std::u16string_view value) {
  char prefix[32];
  std::snprintf(prefix, sizeof prefix, "%10s: ", label);
  return prefix + Utf16ToUtf8(value) + "\r\n";
}

}  // namespace

std::vector<ConversationLine> LinesOf(const std::vector<MessageRecord>& messages) {
  std::vector<ConversationLine> lines;
  lines.reserve(messages.size());
  for (const auto& m : messages)
    lines.push_back({m.fromMe != 0, m.status == RecordStatus::Deleted, m.contactName, m.address, m.date, m.text});
  return lines;
}

std::vector<ConversationLine> LinesOf(const std::vector<WhatsAppMessageRecord>& messages) {
  std::vector<ConversationLine> lines;
  lines.reserve(messages.size());
  for (const auto& m : messages)
    lines.push_back({m.fromMe != 0, m.status == RecordStatus::Deleted, m.senderName, m.senderPhone, m.date, m.text});
  return lines;
}

std::u16string PartyOf(std::u16string_view name, std::u16string_view address) {
  if (!NamesSomeone(name)) return std::u16string(address);
  return std::u16string(name) + u"(" + std::u16string(address) + u")";
}

std::string ConversationHtmlMessage(const ConversationLine& line) {
  std::string html = "<div class=\"date\">Date: " + HtmlEscape(line.date) + " ";
  html += line.fromMe ? std::string("Me") : HtmlEscape(NamesSomeone(line.name) ? line.name : line.address);
  html += ":</div>\r\n";
  const char* cls = line.fromMe ? (line.deleted ? "del_send_msg" : "send_msg")
                                : (line.deleted ? "del_recv_msg" : "recv_msg");
  html += std::string("<div class=\"") + cls + "\">" + HtmlEscape(line.text) + "</div>\r\n";
  return html;
}

int WriteConversationHtml(std::filesystem::path& path, std::string_view head, std::string_view tail,
                          const std::vector<ConversationLine>& lines, IItemProgress& progress, int earlierError) {
  path = MakeUniquePath(path);
  std::string body;
  bool cancelled = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    body += ConversationHtmlMessage(lines[i]);
    // The last message's report is the item's end, made once the file is written.
    const int percent = static_cast<int>((i + 1) * 100 / lines.size());
    if (percent < 100 && progress.OnItemProgress(percent, 0, path) != 0) {
      cancelled = true;
      break;
    }
  }
  const int written = WriteDocument(path, {head, body, tail});
  if (cancelled) return result::kStopped;
  const int ended = written != 0 ? written : earlierError;
  return progress.OnItemProgress(100, ended, path) != 0 ? result::kStopped : result::kOk;
}

int WriteConversationText(std::filesystem::path& path, const std::vector<ConversationLine>& lines) {
  std::string text(kByteOrderMark);
  for (const auto& line : lines) {
    text += LabelLine(line.fromMe ? "To" : "From", PartyOf(line.name, line.address));
    text += LabelLine("Data", line.date);
    text += LabelLine("Content", line.text);
    text += "\r\n";
  }
  return WriteDocument(path, {text});
}

int WriteWhatsAppCsv(std::filesystem::path& path, const std::vector<ConversationLine>& lines) {
  std::string csv(kByteOrderMark);
  csv += "Chats,Name/Phone,Date,Type,Content\r\n";
  for (const auto& line : lines) {
    csv += CsvField(Utf16ToUtf8(line.name)) + "," + CsvField(Utf16ToUtf8(line.address)) + "," +
           CsvField(Utf16ToUtf8(line.date)) + "," + (line.fromMe ? "Send" : "Received") + "," +
           CsvField(Utf16ToUtf8(line.text)) + "\r\n";
  }
  return WriteDocument(path, {csv});
}

}  // namespace vesmar
