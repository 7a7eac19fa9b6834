// Opening the rows of one table for a record parser. A live cell is read with its spilled payload
// assembled and teaches the reader how many columns the table's rows have; a carved row (header
// form) is then read for that many serial types. The count of the live rows is what a carved row
// of the same table has, whatever the device's layout, while a fixed count only fits the layouts
// it was written for. A carved row that still holds its header length is read after it (see
// SurvivingHeaderEnd).
#pragma once

#include <cstdint>
#include <string>

#include "sqlite_recovery/record_cursor.h"
#include "sqlite_recovery/record_parser.h"

namespace vesmar {

class CSqliteRecoveryFile;

class RowReader {
 public:
  // Carved rows before the first live row are read with the file's expected count for the
  // current table; `fallbackColumns` stands in when the file knows none.
  explicit RowReader(std::int32_t fallbackColumns) : fallback_(fallbackColumns) {}

  RecordCursor Open(CSqliteRecoveryFile& file, const RecordBytes& record);

  // Columns of the last live row read; 0 until one was.
  std::int32_t liveColumns() const { return live_; }
  // Serial-type bytes of the last live row read; 0 until one was.
  std::int32_t liveTypeBytes() const { return liveTypeBytes_; }

 private:
  std::int32_t fallback_;
  std::int32_t live_ = 0;
  std::int32_t liveTypeBytes_ = 0;
};

// A freeblock overwrites the first four bytes of a deleted row: its payload length and rowid
// varints, and with them the header length only when those took fewer than four bytes. Carving
// hands over the bytes after those four, so a row with a large rowid still starts with the end of
// its rowid varint and its header length. This finds that header length within the first bytes:
// a varint whose value is exactly its own length plus the bytes of `count` serial types after it,
// the first of them 0 (the NULL an integer primary key stores). Result: the offset of the first
// serial type, or 0 when there is no such header (or the bytes already start at a serial type 0).
std::int64_t SurvivingHeaderEnd(const std::uint8_t* bytes, std::int64_t available, std::int32_t count);

// The rowid of a row as the records keep it: its low 32 bits, 0 for a carved row.
std::int32_t RecordRowid(const RecordCursor& row);

// A text column a record keeps: false when it runs past its bytes or is no clean UTF-8 (see
// DecodeText; a NUL that ends the text is dropped).
bool ReadCleanText(const Column& column, std::u16string& out);

// Integer columns the drivers read as 32-bit values: 1 to 4 bytes, or the constants 0 and 1
// (serial types 8 and 9, which SQLite uses for those values without content). Other types,
// content past the bytes, and 6- and 8-byte integers give false.
bool SmallInteger(const Column& column, std::int32_t& value);

}  // namespace vesmar
