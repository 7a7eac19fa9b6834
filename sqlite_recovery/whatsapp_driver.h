// The WhatsApp driver: the live and deleted messages of ChatStorage.sqlite, completed with their
// chat's and sender's names and numbers and their media paths, grouped by chat.
#pragma once

#include <filesystem>

#include "recovery/progress.h"
#include "sqlite_recovery/records.h"

namespace vesmar {

// The result when ZWAMESSAGE cannot be queried: the failed-query code the manifest reader gives too.
inline constexpr int kChatQueryFailed = 1006;

// Reads ZWAMEDIAITEM, ZWACHATSESSION, ZWAGROUPMEMBER and ZWAMESSAGE, completes the messages
// (whatsapp_joins.h) and appends those with text, in date order, to the sequence of their chat id
// in `grouped`. SQLite only tells whether ZWAMESSAGE can be queried and how many columns it has;
// that count is the table's expected column count and picks the message layout.
//
// Progress goes through `context`: base + step/4 after the three lookup tables and base + 3·step/4
// after the messages; a non-zero answer stops the run, delivers nothing and is the result.
// Otherwise the result is 0; SQLite's code when it cannot open the file; 1006 when ZWAMESSAGE
// cannot be queried; the page reader's open code (nothing delivered either way); or the first
// failed read (the messages read are delivered).
int RecoverWhatsApp(const std::filesystem::path& chatDb, WhatsAppChatMap& grouped, const ParseContext& context = {});

}  // namespace vesmar
