// The address book's rows as the contact parser reads them: table ABPersonFullTextSearch_content,
// the full-text-search copy of every person with name parts, organisation, phones, e-mails,
// postal address, social profiles and URLs as text. The raw rows feed the contact list and put
// names beside messages and calls.
#pragma once

#include <string_view>
#include <vector>

#include "sqlite_recovery/record_cursor.h"
#include "sqlite_recovery/record_parser.h"
#include "sqlite_recovery/records.h"

namespace vesmar {

class CSqliteRecoveryFile;

inline constexpr std::string_view kContactSearchTable = "ABPersonFullTextSearch_content";

// Opens a row of the table: a cell with its spilled payload assembled, or carved bytes read for
// the table's expected column count. A live cell teaches the file its column count (24 or 26 by
// layout) and contact header bytes, and raises the highest contact rowid.
RecordCursor OpenContactRow(CSqliteRecoveryFile& file, const RecordBytes& record);

// A text column fit for a contact: within its bytes, clean UTF-8, no NUL before its end.
bool ContactTextValid(const Column& column);

// The contact parser: every text column must pass ContactTextValid and the phones text must hold
// no control character, else the record is rejected (87). Fields follow the column map of the
// file's iOS 12 flag (the later layout inserted a column before the phones). A deleted row without
// any value (zeroed free space) is rejected too. Accepted records are appended as they are,
// without the phone clean-up.
int ParseContactRecord(CSqliteRecoveryFile& file, const RecordBytes& record, std::vector<ContactRecord>& out);

// Runs the table driver over the open address book with the contact parser and appends the
// accepted rows (live first, then deleted; see record_parser.h). Result: RecoverTable's.
int RecoverContactRows(CSqliteRecoveryFile& file, std::vector<ContactRecord>& out);

}  // namespace vesmar
