// The records that the database drivers recover and that lists, preview and export consume.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vesmar {

// Live: the row stands in a live cell of its table. Deleted: it was carved from the free space
// of a leaf page, or from a freelist page that once belonged to the table.
enum class RecordStatus : std::int32_t { Live = 0, Deleted = 1 };

const char* RecordStatusName(RecordStatus status);  // "Live" / "Deleted"

// Integers are 32-bit unless noted; rowid fields hold the low 32 bits of the row's rowid and
// are 0 for a carved record. Texts are UTF-16; dates are local-time texts (see date_text.h).

struct MessageRecord {
  RecordStatus status = RecordStatus::Live;
  std::int32_t fromMe = 0;
  std::int32_t rowid = 0;
  std::int32_t handleId = 0;
  std::u16string date;
  std::u16string address;
  std::u16string contactName;
  std::u16string text;
  std::u16string attachment;
};

struct ChatHandleRecord {
  RecordStatus status = RecordStatus::Live;
  std::int32_t rowid = 0;
  std::u16string address;
};

struct AttachmentRecord {
  RecordStatus status = RecordStatus::Live;
  std::int32_t rowid = 0;
  std::int32_t messageRowid = 0;
  std::u16string fileName;
};

struct AttachmentLinkRecord {
  RecordStatus status = RecordStatus::Live;
  std::int32_t attachmentId = 0;
  std::int32_t messageId = 0;
};

struct ContactRecord {
  RecordStatus status = RecordStatus::Live;
  std::u16string emails;
  std::u16string address;
  std::u16string social;
  std::u16string url;
  std::u16string phones;
  std::u16string company;
  std::u16string name;
};

struct CallRecord {
  RecordStatus status = RecordStatus::Live;
  std::int32_t incoming = 0;
  std::int32_t duration = 0;
  std::u16string date;
  std::u16string address;
  std::u16string name;
};

struct NoteRecord {
  RecordStatus status = RecordStatus::Live;
  std::int32_t link = 0;
  std::u16string date;
  std::u16string title;
  std::u16string content;
};

struct WhatsAppMessageRecord {
  RecordStatus status = RecordStatus::Live;
  std::int32_t fromMe = 0;
  std::int32_t rowid = 0;
  std::int32_t chatId = 0;
  std::int32_t memberId = 0;
  std::int32_t mediaId = 0;
  std::u16string date;
  std::u16string senderName;
  std::u16string text;
  std::u16string senderPhone;
  std::u16string memberNames;
  std::u16string memberPhones;
  std::u16string chatName;
};

struct WhatsAppChatRecord {
  std::int32_t rowid = 0;
  std::u16string partnerPhone;
  std::u16string partnerName;
  std::u16string memberNames;
  std::u16string memberPhones;
};

struct WhatsAppMemberRecord {
  std::int32_t rowid = 0;
  std::int32_t chatId = 0;
  std::u16string phone;
  std::u16string name;
};

struct WhatsAppMediaRecord {
  std::int32_t rowid = 0;
  std::u16string localPath;
};

// Grouped containers: correspondent (handle id) or chat id → records in ascending date order.
using MessageMap = std::map<std::int32_t, std::vector<MessageRecord>>;
using WhatsAppChatMap = std::map<std::int32_t, std::vector<WhatsAppMessageRecord>>;

}  // namespace vesmar
