// Turns a finished category's records into the rows the lists show and the statistics count.
#pragma once

#include <vector>

#include "results/statistics.h"
#include "sqlite_recovery/records.h"

namespace vesmar {

// One row per conversation, in key order: a copy of its last (newest) message, keyed by the
// conversation (handle id set to the key) and marked deleted when any of its messages is;
// deleted rows first, order kept otherwise. Empty conversations give no row.
std::vector<MessageRecord> ConversationRows(const MessageMap& conversations);

// The same for WhatsApp chats (chat id set to the key).
std::vector<WhatsAppMessageRecord> ChatRows(const WhatsAppChatMap& chats);

// Newest first by date text, then deleted first; both stable.
void PrepareCallRows(std::vector<CallRecord>& calls);

// Deleted first, delivery order kept otherwise (contacts, notes).
template <class Record>
void DeletedFirst(std::vector<Record>& records);

// App files whose extension is a video or audio one go to `videos`, the others to `photos`,
// each appended to its app's list in delivery order.
void SplitAppFiles(const AppFileList& files, AppFileMap& photos, AppFileMap& videos);

}  // namespace vesmar
