// The tables the recovery drivers know by name, and how many columns a row of each has. The count
// decides which bytes of free space can be a row of the table.
#pragma once

#include <cstdint>
#include <string_view>

#include "sqlite_recovery/recovery_settings.h"

namespace vesmar {

enum class KnownTable : std::uint8_t {
  Other,
  NoteBody,            // ZNOTEBODY
  Note,                // ZNOTE
  Message,             // message
  Handle,              // handle
  Attachment,          // attachment
  MessageAttachmentJoin,
  ContactSearch,       // ABPersonFullTextSearch_content
  Call,                // call (older call history)
  CallRecord,          // ZCALLRECORD
  WhatsAppMessage,     // ZWAMESSAGE
  WhatsAppChatSession, // ZWACHATSESSION
  WhatsAppGroupMember, // ZWAGROUPMEMBER
  WhatsAppMediaItem,   // ZWAMEDIAITEM
  WhatsAppContact,     // ZWACONTACT
  WhatsAppPhone,       // ZWAPHONE
};

// Letter case is ignored.
KnownTable IdentifyTable(std::string_view name);

// Expected column count of a known table under the settings of the run; 0 for KnownTable::Other.
std::int32_t KnownColumnCount(KnownTable table, const RecoverySettings& settings);

// Tables whose fixed count is right for one device version only (the note, call, attachment,
// handle and WhatsApp lookup tables grew columns over the years): carving them with that count
// on another version loses every deleted row, so they follow the rows of the database at hand.
// The message, contact and WhatsApp message tables have rules of their own in their drivers.
bool FollowsItsRows(KnownTable table);

}  // namespace vesmar
