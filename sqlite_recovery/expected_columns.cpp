#include "sqlite_recovery/expected_columns.h"

#include "platform/text.h"

namespace vesmar {

namespace {

struct NamedTable {
  std::string_view name;
  KnownTable table;
};

constexpr NamedTable kNamedTables[] = {
    {"ZNOTEBODY", KnownTable::NoteBody},
    {"ZNOTE", KnownTable::Note},
    {"message", KnownTable::Message},
    {"handle", KnownTable::Handle},
    {"attachment", KnownTable::Attachment},
    {"message_attachment_join", KnownTable::MessageAttachmentJoin},
    {"ABPersonFullTextSearch_content", KnownTable::ContactSearch},
    {"call", KnownTable::Call},
    {"ZWAMESSAGE", KnownTable::WhatsAppMessage},
    {"ZWACHATSESSION", KnownTable::WhatsAppChatSession},
    {"ZWAGROUPMEMBER", KnownTable::WhatsAppGroupMember},
    {"ZWAMEDIAITEM", KnownTable::WhatsAppMediaItem},
    {"ZCALLRECORD", KnownTable::CallRecord},
    {"ZWACONTACT", KnownTable::WhatsAppContact},
    {"ZWAPHONE", KnownTable::WhatsAppPhone},
};

}  // namespace

KnownTable IdentifyTable(std::string_view name) {
  for (const auto& entry : kNamedTables)
    if (EqualsNoCaseAscii(entry.name, name)) return entry.table;
  return KnownTable::Other;
}

std::int32_t KnownColumnCount(KnownTable table, const RecoverySettings& s) {
  switch (table) {
    case KnownTable::NoteBody: return 7;
    case KnownTable::Note: return 19;
    case KnownTable::Message: return s.messageColumnCount;
    case KnownTable::Handle: return 5;
    case KnownTable::Attachment: return 9;
    case KnownTable::MessageAttachmentJoin: return 2;
    case KnownTable::ContactSearch:
      if (s.contactColumnCount > 0) return s.contactColumnCount;
      return s.contactHeaderBytes > 25 ? 25 : 24;
    case KnownTable::Call: return 13;
    case KnownTable::WhatsAppMessage: return s.whatsAppMessageColumnCount;
    case KnownTable::WhatsAppChatSession: return 25;
    case KnownTable::WhatsAppGroupMember: return 13;
    case KnownTable::WhatsAppMediaItem: return 24;
    case KnownTable::CallRecord: return 17;
    case KnownTable::WhatsAppContact: return 11;
    case KnownTable::WhatsAppPhone: return 9;
    case KnownTable::Other: break;
  }
  return 0;
}

bool FollowsItsRows(KnownTable table) {
  switch (table) {
    case KnownTable::Message:
    case KnownTable::ContactSearch:
    case KnownTable::WhatsAppMessage:
    case KnownTable::Other:
      return false;
    default:
      return true;
  }
}

}  // namespace vesmar
