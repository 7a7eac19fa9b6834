// Reading the columns of one record, in cell form or header form (see record_parser.h), without
// ever reading past the bytes the record was handed in. Nothing here allocates.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/text.h"
#include "sqlite_recovery/record_parser.h"

namespace vesmar {

// One column: its index, serial type and where its content lies.
struct Column {
  std::int32_t index = 0;
  std::uint64_t serialType = 0;
  const std::uint8_t* data = nullptr;  // content start; only `available` bytes may be read there
  std::uint64_t size = 0;              // content size named by the serial type
  std::uint64_t available = 0;         // bytes from `data` to the end of the record's bytes

  // The whole content lies within the bytes handed in. A text or blob that is not complete
  // ran past its page (or payload); parsers reject such records.
  bool complete() const { return size <= available; }

  bool IsNull() const { return serialType == 0; }
  bool IsSmallInteger() const { return serialType >= 1 && serialType <= 4; }  // 1 to 4 bytes
  bool IsInteger() const { return (serialType >= 1 && serialType <= 6) || serialType == 8 || serialType == 9; }
  bool IsReal() const { return serialType == 7; }
  bool IsText() const { return serialType >= 13 && (serialType & 1); }
  bool IsBlob() const { return serialType >= 12 && !(serialType & 1); }
  bool IsReserved() const { return serialType == 10 || serialType == 11; }

  // The integer of types 1 to 6, 8 and 9; 0 for other types or content past the bytes.
  std::int64_t Integer() const;
  // The double of type 7; 0 for other types or content past the bytes.
  double Real() const;
  // The 8 content bytes of types 6 and 7 as one big-endian value (some dates are read this way
  // whatever the type says); 0 otherwise.
  std::uint64_t Raw64() const;
  // Text or blob bytes; empty when not complete.
  std::string_view Bytes() const;
  // The text decoded to UTF-16 with the validity rules of DecodeText (invalid when not complete).
  DecodedText Text() const;
};

class RecordCursor {
 public:
  RecordCursor() = default;

  // Cell form: payload length, rowid and header length come first.
  static RecordCursor Cell(const std::uint8_t* bytes, std::size_t available);
  // Header form with `count` serial types (count − 1, indexes from 1, when the first byte is not 0).
  static RecordCursor Header(const std::uint8_t* bytes, std::size_t available, std::int32_t count);
  // Header form with a layout chosen by the caller: `types` serial types from the first byte,
  // indexes from `firstIndex`, the body starting `bodySkip` bytes after the serial types (the
  // content of a column whose serial type was lost).
  static RecordCursor Layout(const std::uint8_t* bytes, std::size_t available, std::int32_t types,
                             std::int32_t firstIndex, std::int64_t bodySkip);

  // The next column in order; false after the last serial type.
  bool Next(Column& column);
  // Columns from the cursor's position on, counted on a copy (this cursor does not move);
  // `complete` tells whether their serial types all lay within the record's bytes.
  std::int32_t ColumnCount(bool& complete) const;
  std::int32_t ColumnCount() const {
    bool complete = true;
    return ColumnCount(complete);
  }

  RecordForm form() const { return form_; }
  // Cell form: the cell's payload length and rowid; header form: 0.
  std::uint64_t payloadLength() const { return payloadLength_; }
  std::int64_t rowid() const { return rowid_; }
  // Cell form: the header length H and its varint's length L; header form: 0.
  std::uint64_t headerLength() const { return headerLength_; }
  std::int32_t headerLengthSize() const { return headerLengthSize_; }
  // Bytes of serial types this record has (H − L in cell form).
  std::int64_t serialTypeBytes() const { return typesEnd_ - typesStart_; }
  // Index of the first column (1 when a header-form record lost its first serial type).
  std::int32_t firstIndex() const { return firstIndex_; }
  // False when the serial types ran past the bytes handed in.
  bool typesComplete() const { return typesComplete_; }

 private:
  const std::uint8_t* bytes_ = nullptr;
  std::int64_t available_ = 0;
  std::int64_t typesStart_ = 0, typesEnd_ = 0, pos_ = 0, body_ = 0;
  std::uint64_t payloadLength_ = 0, headerLength_ = 0;
  std::int64_t rowid_ = 0;
  std::int32_t headerLengthSize_ = 0;
  std::int32_t firstIndex_ = 0, nextIndex_ = 0;
  bool typesComplete_ = true;
  RecordForm form_ = RecordForm::Cell;
};

// Opens the record the table driver handed over in whichever form it came: cell form (its spilled
// payload assembled from overflow pages when `assembleOverflow`; for an old cell of a freed page
// only from pages still free), or header form with the current table's expected column count (a
// spilled one comes already assembled). The cursor stays valid until the next AssemblePayload.
RecordCursor OpenRecord(CSqliteRecoveryFile& file, const RecordBytes& record, bool assembleOverflow);

}  // namespace vesmar
