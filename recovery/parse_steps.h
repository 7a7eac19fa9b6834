// The database steps of a scan, the same for both sources: each hands its database(s) to the
// driver, adds its share to the progress scale and reports.
#pragma once

#include <string>
#include <vector>

#include "recovery/scan_session.h"
#include "sqlite_recovery/records.h"

namespace vesmar {

// Each returns the answer of its final progress report (the driver's result without a callback).
int RunParseMessages(ScanSession& session, const DatabaseLocations& db, MessageMap& out);
int RunParseContacts(ScanSession& session, const DatabaseLocations& db, std::vector<ContactRecord>& out);
int RunParseCallHistory(ScanSession& session, const DatabaseLocations& db, std::vector<CallRecord>& out);
int RunParseNotes(ScanSession& session, const DatabaseLocations& db, std::vector<NoteRecord>& out);
int RunParseWhatsApp(ScanSession& session, const DatabaseLocations& db, WhatsAppChatMap& out);

// A driver's result as a step's result without a callback: a 2 there is a missing file
// (errno ENOENT), not a stop, and becomes 87.
int NotAStop(int code);

// Raw row dumps of the messages database and the address book, numbered after the marks the
// parses left in the session.
int RunWriteMessagesCsv(const ScanSession& session, const DatabaseLocations& db, const std::string& path);
int RunWriteContactsCsv(const ScanSession& session, const DatabaseLocations& db, const std::string& path);

}  // namespace vesmar
