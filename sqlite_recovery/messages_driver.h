// The messages driver: recovers the live and deleted messages of sms.db, gives each its
// correspondent's address, address-book name and first attachment, and groups them by
// correspondent.
#pragma once

#include <cstdint>
#include <filesystem>

#include "recovery/progress.h"
#include "sqlite_recovery/records.h"

namespace vesmar {

// Reads tables message, handle, attachment and message_attachment_join of `messagesDb` and the
// raw contact rows of `addressBook`, then appends each message, in date order, to the
// conversation of its handle id in `grouped`. `highestRowid` receives the highest rowid of a live
// message (the row dump numbers deleted rows after it).
//
// Progress goes through `context`: base + step/5, /4, /3 and /2 after each table, base + step
// after the address book and once more at the end (also after a stop or an error). A non-zero
// answer to one of the first five stops the run and nothing is delivered. When a callback is
// given the answer to the last report is the result; otherwise the result is 0, the open code
// of the messages database (nothing delivered), or the first failed read or the address book's
// open code (messages delivered, without names when the address book could not be opened).
int RecoverMessages(const std::filesystem::path& messagesDb, const std::filesystem::path& addressBook,
                    MessageMap& grouped, const ParseContext& context, std::uint64_t& highestRowid);

}  // namespace vesmar
