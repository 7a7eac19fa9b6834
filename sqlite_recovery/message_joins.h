// Joining the rows of the messages database into what a message shows: its correspondent's
// address, the name the address book gives that address, and its first attachment.
//
// Each join gives the answer of the first row, in table-driver order, that matches, as a scan of
// the rows would; it finds that row through a map built once, so a large database costs one pass
// per table instead of one pass per message.
#pragma once

#include <vector>

#include "sqlite_recovery/contact_name_lookup.h"
#include "sqlite_recovery/records.h"

namespace vesmar {

// Each attachment takes its message rowid from the first link whose attachment id is its rowid.
void LinkAttachments(std::vector<AttachmentRecord>& attachments, const std::vector<AttachmentLinkRecord>& links);

// For each message: the address of the first handle whose rowid (not 0) is the message's handle
// id; the name of the first contact whose phones contain that address, when it is not empty and
// `names` is given; the file name of the first attachment whose message rowid is the message's
// rowid, when that is not 0 (a carved message has none).
void JoinMessages(std::vector<MessageRecord>& messages, const std::vector<ChatHandleRecord>& handles,
                  const std::vector<AttachmentRecord>& attachments, ContactNameLookup* names);

// Sorts the messages by date (stable) and appends each to the conversation of its handle id.
void GroupMessages(std::vector<MessageRecord>&& messages, MessageMap& grouped);

}  // namespace vesmar
