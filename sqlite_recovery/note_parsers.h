// The notes database of the older Notes app (notes.sqlite): table ZNOTE holds each note's title,
// date and the rowid of its body; table ZNOTEBODY holds the body as HTML.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "sqlite_recovery/record_parser.h"
#include "sqlite_recovery/records.h"
#include "sqlite_recovery/row_reader.h"

namespace vesmar {

class CSqliteRecoveryFile;

inline constexpr std::string_view kNoteBodyTable = "ZNOTEBODY";
inline constexpr std::string_view kNoteTable = "ZNOTE";

// Where the two tables keep their fields (column index from 0). Every layout the program reads
// is one value of this map.
struct NoteColumns {
  std::int32_t bodyContent = 4;  // ZNOTEBODY.ZCONTENT; the body's rowid is the link
  std::int32_t noteLink = 11;    // ZNOTE.ZBODY
  std::int32_t noteDate = 14;    // ZNOTE.ZMODIFICATIONDATE, seconds since 2001
  std::int32_t noteTitle = 19;   // ZNOTE.ZTITLE
  // Columns of a ZNOTE row, for carved rows until a live row tells; the ZNOTEBODY count comes
  // from the file (7).
  std::int32_t noteColumns = 20;
};

NoteColumns NoteColumnsFor();

// Both parsers read the cell form (spilled payloads assembled) and the header form; a carved row
// is read for the column count of the table's live rows. A text that runs past its bytes or is
// no clean UTF-8 rejects the row (87); every other row is appended with the status handed in.
class NoteBodyParser {
 public:
  NoteBodyParser(const NoteColumns& columns, std::int32_t carvedColumns) : columns_(columns), reader_(carvedColumns) {}
  // The record's link is the cell's rowid (0 when carved); its content the HTML body.
  int Parse(CSqliteRecoveryFile& file, const RecordBytes& record, std::vector<NoteRecord>& out);

 private:
  NoteColumns columns_;
  RowReader reader_;
};

class NoteParser {
 public:
  explicit NoteParser(const NoteColumns& columns) : columns_(columns), reader_(columns.noteColumns) {}
  // The record's link is the rowid of its body, its date and title those of the note.
  int Parse(CSqliteRecoveryFile& file, const RecordBytes& record, std::vector<NoteRecord>& out);

 private:
  NoteColumns columns_;
  RowReader reader_;
};

// Turns the HTML of a title or body into text: the entities &#39; &quot; &lt; &gt; &nbsp; and
// &amp; (in that order, &amp; last so that "&amp;lt;" stays "&lt;"), then "<div>" into a line
// feed, "</div>" into nothing and "<br>" into a line feed. Each replacement goes on after the
// text it inserted. Other tags and entities stay as they are.
std::u16string NoteHtmlToText(std::u16string text);

}  // namespace vesmar
