// The raw dump of the address book's full-text-search rows that export writes beside the
// recovered contacts: one line of values per row, live and deleted.
#pragma once

#include <cstdint>
#include <filesystem>

namespace vesmar {

// Appends one line per row of ABPersonFullTextSearch_content of `addressBook` to `output`
// (created when missing), in table-driver order. A row without a rowid (carved, or a cell whose
// rowid is 0) is numbered after `highestContactRowid` and the rows numbered before it.
//
// Line: the rowid, a comma, then per column from column 1 on: NULL and empty text "NULL,";
// integers of 1 to 4 bytes "%d,"; 6- and 8-byte integers and doubles ","; constants, reserved
// types and blobs nothing; texts in double quotes with double and single quotes doubled and a
// comma. The last column of the row has no comma after a NULL or a text; the line ends with
// CR LF. A row is left out when one of its texts runs past its bytes, is not clean UTF-8 or
// holds a NUL before its end, and a deleted row when it holds no value at all (zeroed free
// space).
//
// Result: 0, the database's open code, errno of the output file, or the code of a failed read
// (the lines written before it stay).
int DumpContactRows(const std::filesystem::path& addressBook, const std::filesystem::path& output,
                    std::uint64_t highestContactRowid);

}  // namespace vesmar
