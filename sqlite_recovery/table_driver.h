// The table driver: turns one table of an open database into the live and deleted records of a
// record parser, in the order described in record_parser.h.
#pragma once

#include <string_view>

#include "sqlite_recovery/record_parser.h"

namespace vesmar {

class CSqliteRecoveryFile;

struct RecoverTableOptions {
  // Carve the free space of the table's leaf pages.
  bool carveFreeSpace = true;
  // Adopt freelist pages whose first cell has the table's column count.
  bool freelistPages = true;
  // For message, ABPersonFullTextSearch_content and ZNOTEBODY also adopt a freed page without
  // cells; the row dump writers turn this off.
  bool adoptEmptyFreelistPages = true;
  // Beyond the steps above: carve the old cells left on freelist trunk pages too, after everything
  // else. A dropped table whose only page became the trunk, and the first page of a table the user
  // emptied, are found this way.
  bool carveFreelistTrunks = true;
  // A trunk page no longer says which table its old cells belonged to; only the column count
  // does. Rows of two or three columns (the join tables) match another table's by chance, which
  // would link wrong records, so by default only wider tables take trunk rows.
  std::int32_t trunkMinColumns = 4;
  // Beyond the steps above: also the rows behind the first of a merged freeblock (their
  // candidates follow the others of their page).
  bool splitMergedFreeblocks = true;
  // Beyond the steps above: the old cells of a leaf page whose last cell was deleted (its header
  // no longer leads to them; a table the user emptied keeps its rows only there).
  bool emptiedPages = true;
};

// Runs the table's live cells, its carved candidates and its adopted freelist pages through
// `parser`, and leaves the table as the file's current table. Result: 0, or the code of the first
// failed read that stopped the root pages or the freelist (records gathered before stay).
int RecoverTable(CSqliteRecoveryFile& file, std::string_view table, const RecordParser& parser,
                 const RecoverTableOptions& options = {});

}  // namespace vesmar
