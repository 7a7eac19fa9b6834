#include "sqlite_recovery/generic_record_parser.h"

#include "recovery/result_codes.h"
#include "sqlite_recovery/record_cursor.h"

namespace vesmar {

int GenericRecordParser::operator()(CSqliteRecoveryFile& file, const RecordBytes& in) {
  RecordCursor cursor = OpenRecord(file, in, /*assembleOverflow=*/true);
  const bool strict = in.status == RecordStatus::Deleted;
  GenericRecord record;
  record.status = in.status;
  record.origin = in.origin;
  record.onFreelistPage = in.onFreelistPage;
  record.pageNumber = in.pageIndex + 1;
  record.offset = in.offset;
  record.hasRowid = in.form == RecordForm::Cell;
  record.rowid = record.hasRowid ? cursor.rowid() : 0;
  record.lostFirstColumn = cursor.firstIndex() == 1;
  if (record.lostFirstColumn) record.values.emplace_back();

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
  if (!cursor.typesComplete() || record.values.size() == (record.lostFirstColumn ? 1u : 0u)) return result::kInvalid;
  if (strict && !anyValue) return result::kInvalid;
  out_.push_back(std::move(record));
  return result::kOk;
}

}  // namespace vesmar
