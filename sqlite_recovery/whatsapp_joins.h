// Completing WhatsApp messages from the lookup tables: each message takes its chat's partner and
// members, its sender's name and phone and, for a media message without text, the media file's
// path. Each lookup gives the first row of its table (in table-driver order) with the id, found
// through an index built once; a carved row (rowid 0) is never the row an id names.
#pragma once

#include <vector>

#include "sqlite_recovery/records.h"

namespace vesmar {

// Each chat gets the phones and names of its members (rows whose chat id is the chat's rowid),
// joined by commas. A member with an empty name adds no name; once the chat has phones every
// further member adds "," and its phone, even an empty one.
void AddMembersToChats(std::vector<WhatsAppChatRecord>& chats, const std::vector<WhatsAppMemberRecord>& members);

// For each message of a chat found by its chat id: sender phone, sender name and chat name from
// the chat's partner; member phones and names from the chat's members, or its partner when it has
// none; "Me" and no phone for a message sent from the device, else the member its member id names
// (when there is one) as sender. A message without text whose media id names a media item takes
// the item's local path as text. Messages of an unknown chat keep their fields.
void CompleteWhatsAppMessages(std::vector<WhatsAppMessageRecord>& messages, const std::vector<WhatsAppChatRecord>& chats,
                              const std::vector<WhatsAppMemberRecord>& members,
                              const std::vector<WhatsAppMediaRecord>& media);

// Keeps the messages with text, sorts them by date (stable) and appends each to the sequence of
// its chat id.
void GroupWhatsAppMessages(std::vector<WhatsAppMessageRecord>&& messages, WhatsAppChatMap& grouped);

}  // namespace vesmar
