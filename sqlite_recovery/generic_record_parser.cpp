#include "sqlite_recovery/generic_record_parser.h"

#include <optional>

#include "recovery/result_codes.h"
#include "sqlite_recovery/record_cursor.h"
#include "sqlite_recovery/sqlite_format.h"
#include "sqlite_recovery/sqlite_recovery_file.h"

namespace vesmar {

namespace fmt = sqlite_format;

namespace {

// How a carved record's bytes are read: serial types from its first byte, indexes from
// firstIndex, and `lostContent` bytes of a column whose serial type was overwritten before the
// body of the others.
struct HeaderLayout {
  std::int32_t types = 0;
  std::int32_t firstIndex = 0;
  std::int64_t lostContent = 0;
  bool inferred = false;  // the lost column's size was worked out from the record's extent
};

// Bytes of `count` serial types and of the content they name; nothing when they do not fit.
std::optional<std::pair<std::int64_t, std::int64_t>> Measure(const std::uint8_t* bytes, std::int64_t available,
                                                             std::int64_t count) {
  if (count <= 0) return std::nullopt;
  const std::int64_t types = CSqliteRecoveryFile::SerialTypesLength(bytes, available, count);
  if (types == 0) return std::nullopt;
  std::int64_t body = 0;
  for (std::int64_t pos = 0; pos < types;) {
    const auto t = fmt::ReadVarint(bytes + pos, types - pos);
    pos += t.length;
    const std::int64_t content = fmt::Clamp(fmt::ContentSize(t.value));
    if (content > available - body) return std::nullopt;
    body += content;
  }
  return std::make_pair(types, body);
}

bool IsIntegerSize(std::int64_t size) { return size == 1 || size == 2 || size == 3 || size == 4 || size == 6 || size == 8; }

// The ways a candidate can be read, most certain first. The detectors point at the first
// serial type that survived; when the row's first column is not an integer key (stored as an
// empty NULL), the rule of the record form misreads it, so the generic parser also uses what
// else the page tells: a header length the detector saw, where the freeblock ended, and a header
// length standing just before.
std::vector<HeaderLayout> Layouts(const RecordBytes& in, std::int32_t n) {
  std::vector<HeaderLayout> layouts;
  if (in.headerIntact) return {{n, 0, 0, false}};
  const auto available = static_cast<std::int64_t>(in.available);
  if (in.extentEnd > in.offset) {
    const std::int64_t extent = std::int64_t{in.extentEnd} - in.offset;
    if (const auto all = Measure(in.bytes, available, n); all && all->first + all->second == extent)
      layouts.push_back({n, 0, 0, false});
    if (const auto rest = Measure(in.bytes, available, n - 1)) {
      const std::int64_t lost = extent - rest->first - rest->second;
      if (lost == 0 || IsIntegerSize(lost)) layouts.push_back({n - 1, 1, lost, lost > 0});
    }
  }
  for (std::int64_t length = 1; length <= 2 && length <= in.offset; ++length) {
    const std::uint8_t* before = in.page ? in.page + in.offset - length : nullptr;
    if (!before) break;
    const auto header = fmt::ReadVarint(before, length);
    const auto all = Measure(in.bytes, available, n);
    if (header.length == length && fmt::VarintFits(before, length) && all &&
        fmt::Clamp(header.value) == all->first + length)
      layouts.push_back({n, 0, 0, false});
  }
  // A guessed freeblock on a trunk page only counts when a record fills it exactly.
  if (in.origin == RecordOrigin::FreelistTrunk) return layouts;
  const bool lostFirst = in.available > 0 && in.bytes[0] != 0;
  layouts.push_back(lostFirst ? HeaderLayout{n - 1, 1, 0, false} : HeaderLayout{n, 0, 0, false});
  return layouts;
}

// Decodes every column; 87 when a column runs past the bytes, and for a Deleted record also
// when it has a reserved serial type, invalid text, or nothing but NULLs.
int Decode(RecordCursor& cursor, bool strict, GenericRecord& record) {
  bool anyValue = false;
  for (Column c; cursor.Next(c);) {
    if (!c.complete() || (strict && c.IsReserved())) return result::kInvalid;
    GenericValue& v = record.values.emplace_back();
    if (c.IsInteger()) {
      v.kind = GenericValue::Kind::Integer;
      v.integer = c.Integer();
    } else if (c.IsReal()) {
      v.kind = GenericValue::Kind::Real;
      v.real = c.Real();
    } else if (c.IsText()) {
      v.kind = GenericValue::Kind::Text;
      v.bytes = std::string(c.Bytes());
      v.validText = c.Text().valid;
      if (strict && !v.validText) return result::kInvalid;
    } else if (c.IsBlob()) {
      v.kind = GenericValue::Kind::Blob;
      v.bytes = std::string(c.Bytes());
    }
    if (v.kind != GenericValue::Kind::Null) anyValue = true;
  }
  if (!cursor.typesComplete() || record.values.size() <= static_cast<std::size_t>(cursor.firstIndex()))
    return result::kInvalid;
  if (strict && !anyValue) return result::kInvalid;
  return result::kOk;
}

}  // namespace

namespace {
std::uint8_t KindBit(GenericValue::Kind kind) {
  switch (kind) {
    case GenericValue::Kind::Integer:
    case GenericValue::Kind::Real: return 1;
    case GenericValue::Kind::Text: return 2;
    case GenericValue::Kind::Blob: return 4;
    case GenericValue::Kind::Null: break;
  }
  return 0;
}
}  // namespace

void GenericRecordParser::LearnKinds(const GenericRecord& record) {
  if (liveKinds_.size() < record.values.size()) liveKinds_.resize(record.values.size(), 0);
  for (std::size_t i = 0; i < record.values.size(); ++i) liveKinds_[i] |= KindBit(record.values[i].kind);
}

bool GenericRecordParser::KindsSeenLive(const GenericRecord& record) const {
  for (std::size_t i = record.lostFirstColumn ? 1 : 0; i < record.values.size() && i < liveKinds_.size(); ++i) {
    const std::uint8_t bit = KindBit(record.values[i].kind);
    if (bit && liveKinds_[i] && !(liveKinds_[i] & bit)) return false;
  }
  return true;
}

bool GenericRecordParser::HoldsNullKey(const GenericRecord& record) const {
  if (rowidAlias_ < 0 || static_cast<std::size_t>(rowidAlias_) >= record.values.size()) return true;
  if (rowidAlias_ == 0 && record.lostFirstColumn) return true;
  return record.values[static_cast<std::size_t>(rowidAlias_)].kind == GenericValue::Kind::Null;
}

int GenericRecordParser::operator()(CSqliteRecoveryFile& file, const RecordBytes& in) {
  GenericRecord record;
  record.status = in.status;
  record.origin = in.origin;
  record.onFreelistPage = in.onFreelistPage;
  record.pageNumber = in.pageIndex + 1;
  record.offset = in.offset;
  const bool strict = in.status == RecordStatus::Deleted;

  if (in.form == RecordForm::Cell) {
    RecordCursor cursor = OpenRecord(file, in, /*assembleOverflow=*/true);
    record.hasRowid = true;
    record.rowid = cursor.rowid();
    if (const int rc = Decode(cursor, strict, record)) return rc;
    if (strict && (!HoldsNullKey(record) || !KindsSeenLive(record))) return result::kInvalid;
    if (!strict) LearnKinds(record);
    sink_(std::move(record));
    return result::kOk;
  }

  for (const HeaderLayout& layout : Layouts(in, file.CurrentColumnCount())) {
    GenericRecord attempt = record;
    RecordCursor cursor = RecordCursor::Layout(in.bytes, in.available, layout.types, layout.firstIndex, layout.lostContent);
    attempt.lostFirstColumn = layout.firstIndex == 1 && !layout.inferred;
    attempt.inferredFirstColumn = layout.inferred;
    if (layout.firstIndex == 1) {
      GenericValue& first = attempt.values.emplace_back();
      if (layout.inferred) {  // an integer of that many bytes opens the body
        const std::int64_t bodyStart = CSqliteRecoveryFile::SerialTypesLength(
            in.bytes, static_cast<std::int64_t>(in.available), layout.types);
        first.kind = GenericValue::Kind::Integer;
        first.integer = fmt::BigEndianSigned(in.bytes + bodyStart, static_cast<std::size_t>(layout.lostContent));
      }
    }
    if (Decode(cursor, strict, attempt) == result::kOk && HoldsNullKey(attempt) && KindsSeenLive(attempt)) {
      sink_(std::move(attempt));
      return result::kOk;
    }
  }
  return result::kInvalid;
}

}  // namespace vesmar
