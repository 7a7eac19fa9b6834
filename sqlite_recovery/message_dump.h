// The raw dump of table message that export writes beside the recovered messages: one line of
// values per row, live and deleted.
#pragma once

#include <cstdint>
#include <filesystem>

namespace vesmar {

// Appends one line per row of table message of `messagesDb` to `output` (created when missing):
// live cells, carved rows and cells of freed pages, in table-driver order. A row whose cell has
// no rowid (carved) is numbered after `highestRowid` and the rows numbered before it.
//
// Line: the rowid, a comma, then per column from column 1 on: NULL and empty text "NULL,";
// integers of 1 to 4 bytes "%d,"; 6- and 8-byte integers and doubles ","; the constants 0 and 1
// "0,"/"1," (without the comma in the last column); empty blobs nothing; column 8 (the
// attributed body) in lower-case hexadecimal and a comma; other texts and blobs in double quotes
// with double and single quotes doubled, and a comma. The line ends with CR LF. A deleted row
// gets a made-up guid in column 1 ("27B99F78-F6F0-475F-8BA1-" and the rowid in 12 hexadecimal
// digits), is marked finished (column 19 "1,"), dated now (column 15, seconds since 2001) and,
// unless sent by the device, unread (column 16 now, column 26 "1,"; sent: both "0,").
// A row is left out when a text or blob runs past its bytes, its text (column 2) is not clean
// UTF-8, or, deleted, its account guid (column 13) is not 36 characters from '-' to 'z' or it
// holds no value at all (zeroed free space).
//
// Result: 0, the database's open code, errno of the output file, or the code of a failed read
// (the lines written before it stay).
int DumpMessageRows(const std::filesystem::path& messagesDb, const std::filesystem::path& output,
                    std::uint64_t highestRowid);

}  // namespace vesmar
