// The WhatsApp chat database (ChatStorage.sqlite): messages (ZWAMESSAGE), chats (ZWACHATSESSION),
// group members (ZWAGROUPMEMBER) and media items (ZWAMEDIAITEM).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "sqlite_recovery/record_parser.h"
#include "sqlite_recovery/records.h"
#include "sqlite_recovery/row_reader.h"

namespace vesmar {

class CSqliteRecoveryFile;

inline constexpr std::string_view kWhatsAppMessageTable = "ZWAMESSAGE";
inline constexpr std::string_view kWhatsAppChatTable = "ZWACHATSESSION";
inline constexpr std::string_view kWhatsAppMemberTable = "ZWAGROUPMEMBER";
inline constexpr std::string_view kWhatsAppMediaTable = "ZWAMEDIAITEM";

// Where the four tables keep their fields (column index from 0; −1 where a layout has no such
// column). Every layout the program reads is one value of this map, chosen by WhatsAppColumnsFor.
struct WhatsAppColumns {
  struct Message {
    std::int32_t fromMe = 12;    // ZISFROMME, constant 1 when sent from the device
    std::int32_t chatId = 19;    // ZCHATSESSION
    std::int32_t memberId = 20;  // ZGROUPMEMBER
    std::int32_t mediaId = 22;   // ZMEDIAITEM
    std::int32_t date = 25;      // ZMESSAGEDATE, seconds since 2001
    std::int32_t text = 32;      // ZTEXT
    // The newer layout keeps only rows with a chat, a member or a date: carved bytes without any
    // of them are no message. The older layout keeps every row.
    bool requireChatMemberOrDate = true;
  } message;
  struct Chat {
    std::int32_t partnerJid = 20;   // ZCONTACTJID, "15550100@s.whatsapp.net" or "…@g.us"
    std::int32_t partnerName = 23;  // ZPARTNERNAME
  } chat;
  struct Member {
    std::int32_t chatId = 7;    // ZCHATSESSION
    std::int32_t name = 10;     // ZCONTACTNAME
    std::int32_t memberJid = 12;  // ZMEMBERJID
  } member;
  struct Media {
    std::int32_t localPath = 18;
  } media;
};

// Rows of 29 columns and more have the newer layout, fewer the older one (no media column).
inline constexpr std::int32_t kNewerWhatsAppMessageColumns = 29;
WhatsAppColumns WhatsAppColumnsFor(std::int32_t messageColumnCount);

// The four parsers read the cell form (spilled payloads assembled) and the header form, a carved
// row for the column count of the table's live rows (the file's expected count until one was
// seen). A text that runs past its bytes, or a kept text that is no clean UTF-8, rejects the row
// (87). Records start with chat id −1, member id 0, media id 0, not from me, empty texts; the
// rowid is the cell's (0 when carved). Integer ids are read from 1 to 4 bytes or from the
// constants 0 and 1. One object serves one table run: it learns that table's column count.
class WhatsAppParser {
 public:
  WhatsAppParser(const WhatsAppColumns& columns, std::int32_t carvedColumns)
      : columns_(columns), reader_(carvedColumns) {}

  int ParseMessage(CSqliteRecoveryFile& file, const RecordBytes& record, std::vector<WhatsAppMessageRecord>& out);
  int ParseChat(CSqliteRecoveryFile& file, const RecordBytes& record, std::vector<WhatsAppChatRecord>& out);
  int ParseMember(CSqliteRecoveryFile& file, const RecordBytes& record, std::vector<WhatsAppMemberRecord>& out);
  int ParseMedia(CSqliteRecoveryFile& file, const RecordBytes& record, std::vector<WhatsAppMediaRecord>& out);

 private:
  WhatsAppColumns columns_;
  RowReader reader_;
};

// The text of a JID before its first at sign ("15550100@s.whatsapp.net" → "15550100"); empty, or
// the whole text when `wholeWithoutAt`, when there is none.
std::u16string JidUser(std::u16string_view jid, bool wholeWithoutAt);

}  // namespace vesmar
