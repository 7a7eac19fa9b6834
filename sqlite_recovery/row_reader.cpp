#include "sqlite_recovery/row_reader.h"

#include <climits>

#include "sqlite_recovery/sqlite_format.h"
#include "sqlite_recovery/sqlite_recovery_file.h"

namespace vesmar {

RecordCursor RowReader::Open(CSqliteRecoveryFile& file, const RecordBytes& record) {
  if (record.form == RecordForm::Header) {
    const std::int32_t count = live_ > 0 ? live_ : fallback_;
    if (count <= 0) return RecordCursor::Header(record.bytes, 0, 0);
    // A freeblock overwrites the first four bytes of a row. When the payload length and rowid took
    // four bytes or more, the row's header length survived and the candidate may start there: it
    // does when the varint counts exactly the serial types of `count` columns after it.
    const auto length = sqlite_format::ReadVarint(record.bytes, static_cast<std::int64_t>(record.available));
    if (length.length > 0 && record.bytes[0] != 0 && length.value > static_cast<std::uint64_t>(length.length)) {
      const auto rest = static_cast<std::int64_t>(record.available) - length.length;
      const std::int64_t types = CSqliteRecoveryFile::SerialTypesLength(record.bytes + length.length, rest, count);
      if (types > 0 && length.value - static_cast<std::uint64_t>(length.length) == static_cast<std::uint64_t>(types) &&
          record.bytes[length.length] == 0)
        return RecordCursor::Header(record.bytes + length.length, static_cast<std::size_t>(rest), count);
    }
    return RecordCursor::Header(record.bytes, record.available, count);
  }
  RecordCursor row = OpenRecord(file, record, /*assembleOverflow=*/true);
  if (record.status == RecordStatus::Live) {
    RecordCursor counter = row;
    std::int32_t columns = 0;
    for (Column c; counter.Next(c);) ++columns;
    const std::int64_t typeBytes = row.serialTypeBytes();
    if (columns > 0 && row.typesComplete() && counter.typesComplete() && typeBytes <= INT32_MAX) {
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

bool SmallInteger(const Column& column, std::int32_t& value) {
  if (!column.complete()) return false;
  if (column.IsSmallInteger() || column.serialType == 8 || column.serialType == 9) {
    value = static_cast<std::int32_t>(column.Integer());
    return true;
  }
  return false;
}

}  // namespace vesmar
