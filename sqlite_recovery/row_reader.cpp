#include "sqlite_recovery/row_reader.h"

#include <climits>

#include "sqlite_recovery/sqlite_recovery_file.h"

namespace vesmar {

RecordCursor RowReader::Open(CSqliteRecoveryFile& file, const RecordBytes& record) {
  if (record.form == RecordForm::Header) {
    const std::int32_t count = live_ > 0 ? live_ : fallback_;
    if (count <= 0) return RecordCursor::Header(record.bytes, 0, 0);
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
