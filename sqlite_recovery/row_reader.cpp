#include "sqlite_recovery/row_reader.h"

#include <climits>

#include "sqlite_recovery/column_text.h"
#include "sqlite_recovery/sqlite_format.h"
#include "sqlite_recovery/sqlite_recovery_file.h"

namespace vesmar {

namespace {

namespace fmt = sqlite_format;

// Bytes of a rowid varint that a freeblock header can leave in front of the header length.
constexpr std::int64_t kMaxRowidRemnant = 8;

}  // namespace

std::int64_t SurvivingHeaderEnd(const std::uint8_t* bytes, std::int64_t available, std::int32_t count) {
  if (available <= 0 || bytes[0] == 0 || count <= 0) return 0;
  for (std::int64_t skip = 0; skip <= kMaxRowidRemnant && skip < available; ++skip) {
    // What is skipped is the end of the rowid varint: its last byte has the high bit clear.
    if (skip > 0 && bytes[skip - 1] >= 0x80) continue;
    const auto length = fmt::ReadVarint(bytes + skip, available - skip);
    const std::int64_t first = skip + length.length;
    if (length.length == 0 || first >= available || bytes[first] != 0) continue;
    const std::int64_t types = CSqliteRecoveryFile::SerialTypesLength(bytes + first, available - first, count);
    if (types > 0 && length.value == static_cast<std::uint64_t>(length.length + types)) return first;
  }
  return 0;
}

RecordCursor RowReader::Open(CSqliteRecoveryFile& file, const RecordBytes& record) {
  if (record.form == RecordForm::Header) {
    // Before any live row: the engine's count for the table (which follows the width the table
    // declares, so a table the user emptied still gives its rows back), else the parser's own.
    const std::int32_t engine = file.CurrentColumnCount();
    const std::int32_t count = live_ > 0 ? live_ : engine > 0 ? engine : fallback_;
    if (count <= 0) return RecordCursor::Header(record.bytes, 0, 0);
    const std::int64_t start = SurvivingHeaderEnd(record.bytes, static_cast<std::int64_t>(record.available), count);
    if (start > 0)
      return RecordCursor::Header(record.bytes + start, record.available - static_cast<std::size_t>(start), count);
    return RecordCursor::Header(record.bytes, record.available, count);
  }
  RecordCursor row = OpenRecord(file, record, /*assembleOverflow=*/true);
  if (record.status == RecordStatus::Live) {
    bool complete = true;
    const std::int32_t columns = row.ColumnCount(complete);
    const std::int64_t typeBytes = row.serialTypeBytes();
    if (columns > 0 && row.typesComplete() && complete && typeBytes <= INT32_MAX) {
      live_ = columns;
      liveTypeBytes_ = static_cast<std::int32_t>(typeBytes);
    }
  }
  return row;
}

std::int32_t RecordRowid(const RecordCursor& row) {
  if (row.form() != RecordForm::Cell) return 0;
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(row.rowid()));
}

bool ReadCleanText(const Column& column, std::u16string& out) {
  if (!column.complete()) return false;
  DecodedText text = ColumnText(column);
  if (!text.valid) return false;
  out = std::move(text.text);
  return true;
}

bool SmallInteger(const Column& column, std::int32_t& value) {
  if (!column.complete()) return false;
  if (column.IsSmallInteger() || column.serialType == 8 || column.serialType == 9) {
    value = static_cast<std::int32_t>(column.Integer());
    return true;
  }
  return false;
}

}  // namespace vesmar
