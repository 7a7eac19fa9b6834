#include "sqlite_recovery/record_cursor.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "sqlite_recovery/sqlite_format.h"
#include "sqlite_recovery/sqlite_recovery_file.h"

namespace vesmar {

namespace fmt = sqlite_format;

std::int64_t Column::Integer() const {
  if (!complete()) return 0;
  if (serialType == 8) return 0;
  if (serialType == 9) return 1;
  if (serialType >= 1 && serialType <= 6) return fmt::BigEndianSigned(data, static_cast<std::size_t>(size));
  return 0;
}

std::uint64_t Column::Raw64() const {
  if ((serialType != 6 && serialType != 7) || !complete()) return 0;
  std::uint64_t v = 0;
  for (int i = 0; i < 8; ++i) v = (v << 8) | data[i];
  return v;
}

double Column::Real() const {
  if (serialType != 7) return 0;
  return std::bit_cast<double>(Raw64());
}

std::string_view Column::Bytes() const {
  if (!complete() || (!IsText() && !IsBlob())) return {};
  return {reinterpret_cast<const char*>(data), static_cast<std::size_t>(size)};
}

DecodedText Column::Text() const {
  return DecodeText(data, static_cast<std::size_t>(size), static_cast<std::size_t>(available));
}

RecordCursor RecordCursor::Cell(const std::uint8_t* bytes, std::size_t available) {
  RecordCursor c;
  c.form_ = RecordForm::Cell;
  c.bytes_ = bytes;
  c.available_ = static_cast<std::int64_t>(available);
  const auto payload = fmt::ReadVarint(bytes, c.available_);
  std::int64_t pos = payload.length;
  const auto rowid = fmt::ReadVarint(bytes + pos, c.available_ - pos);
  pos += rowid.length;
  const std::int64_t headerStart = pos;
  const auto header = fmt::ReadVarint(bytes + pos, c.available_ - pos);
  c.payloadLength_ = payload.value;
  c.rowid_ = static_cast<std::int64_t>(rowid.value);
  c.headerLength_ = header.value;
  c.headerLengthSize_ = static_cast<std::int32_t>(header.length);
  c.typesStart_ = headerStart + header.length;
  const std::int64_t h = fmt::Clamp(header.value);
  c.typesComplete_ = h <= c.available_ - headerStart;
  const std::int64_t headerEnd = c.typesComplete_ ? headerStart + h : c.available_;
  c.typesEnd_ = std::max(c.typesStart_, headerEnd);
  c.pos_ = c.typesStart_;
  c.body_ = headerEnd;
  return c;
}

RecordCursor RecordCursor::Header(const std::uint8_t* bytes, std::size_t available, std::int32_t count) {
  const bool lostFirst = available > 0 && bytes[0] != 0;
  return Layout(bytes, available, lostFirst ? count - 1 : count, lostFirst ? 1 : 0, 0);
}

RecordCursor RecordCursor::Layout(const std::uint8_t* bytes, std::size_t available, std::int32_t types,
                                   std::int32_t firstIndex, std::int64_t bodySkip) {
  RecordCursor c;
  c.form_ = RecordForm::Header;
  c.bytes_ = bytes;
  c.available_ = static_cast<std::int64_t>(available);
  c.firstIndex_ = c.nextIndex_ = firstIndex;
  const std::int64_t length = CSqliteRecoveryFile::SerialTypesLength(bytes, c.available_, types);
  c.typesComplete_ = types <= 0 || length > 0;
  c.typesEnd_ = length;
  c.body_ = std::min(c.available_ + 1, length + std::max<std::int64_t>(0, bodySkip));
  return c;
}

bool RecordCursor::Next(Column& column) {
  if (pos_ >= typesEnd_) return false;
  if (!fmt::VarintFits(bytes_ + pos_, typesEnd_ - pos_)) {
    typesComplete_ = false;
    pos_ = typesEnd_;
    return false;
  }
  const auto type = fmt::ReadVarint(bytes_ + pos_, typesEnd_ - pos_);
  pos_ += type.length;
  column.index = nextIndex_++;
  column.serialType = type.value;
  column.size = fmt::ContentSize(type.value);
  column.available = body_ < available_ ? static_cast<std::uint64_t>(available_ - body_) : 0;
  column.data = body_ < available_ ? bytes_ + body_ : bytes_ + available_;
  const std::uint64_t room = static_cast<std::uint64_t>(available_ - std::min(body_, available_)) + 1;
  body_ = column.size >= room ? available_ + 1 : body_ + static_cast<std::int64_t>(column.size);
  return true;
}

std::int32_t RecordCursor::ColumnCount(bool& complete) const {
  RecordCursor copy = *this;
  std::int32_t count = 0;
  for (Column c; copy.Next(c);) ++count;
  complete = copy.typesComplete();
  return count;
}

RecordCursor OpenRecord(CSqliteRecoveryFile& file, const RecordBytes& record, bool assembleOverflow) {
  if (record.form == RecordForm::Header)
    return RecordCursor::Header(record.bytes, record.available, file.CurrentColumnCount());
  if (assembleOverflow && record.page) {
    const auto cell = file.AssemblePayload(record.page, record.offset, record.cellEnd,
                                           /*freePagesOnly=*/record.status == RecordStatus::Deleted);
    return RecordCursor::Cell(cell.data(), cell.size());
  }
  return RecordCursor::Cell(record.bytes, record.available);
}

}  // namespace vesmar
