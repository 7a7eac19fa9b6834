// The documents of one conversation (Messages) or chat (WhatsApp): the HTML page made from its
// template, the text transcript, and for WhatsApp the CSV sheet.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "export/item_progress.h"
#include "sqlite_recovery/records.h"

namespace vesmar {

// What the documents show of one message. Views into the record, which must outlive it.
struct ConversationLine {
  bool fromMe = false;
  bool deleted = false;
  std::u16string_view name;     // contact name, or the WhatsApp sender name
  std::u16string_view address;  // address, or the WhatsApp sender phone
  std::u16string_view date;
  std::u16string_view text;
};

std::vector<ConversationLine> LinesOf(const std::vector<MessageRecord>& messages);
std::vector<ConversationLine> LinesOf(const std::vector<WhatsAppMessageRecord>& messages);

// name(address) when the name is neither empty nor "Unknown", else the address.
std::u16string PartyOf(std::u16string_view name, std::u16string_view address);

// The HTML body: per message a date line and a text block with the classes date, send_msg,
// del_send_msg, recv_msg and del_recv_msg.
std::string ConversationHtmlMessage(const ConversationLine& line);

// Writes head + body + tail to a new file at (or beside) `path`, which then names the file.
// After each message reports (percent of messages done, 0, path); a nonzero answer ends the
// body there, and the document is written with what it holds. The item ends with one report
// of 100, unless it was cancelled, carrying the write's failure or else `earlierError` (that
// of the item's documents written before it, the transcript and sheet). Returns 2 when
// cancelled, else 0: a failure is told only in the report, as its code could read as a cancel
// (ENOENT is 2).
int WriteConversationHtml(std::filesystem::path& path, std::string_view head, std::string_view tail,
                          const std::vector<ConversationLine>& lines, IItemProgress& progress,
                          int earlierError = 0);

// The transcript: UTF-8 with byte-order mark, CR LF; per message "To"/"From", "Data" and
// "Content" lines, label right-aligned in ten columns, then an empty line. Returns 0 or the
// system error code.
int WriteConversationText(std::filesystem::path& path, const std::vector<ConversationLine>& lines);

// The WhatsApp sheet: UTF-8 with byte-order mark, CR LF, header "Chats,Name/Phone,Date,Type,
// Content", one line per message (values quoted where needed). Returns 0 or the error code.
int WriteWhatsAppCsv(std::filesystem::path& path, const std::vector<ConversationLine>& lines);

}  // namespace vesmar
