#include "sqlite_recovery/call_parser.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "recovery/result_codes.h"
#include "sqlite_recovery/column_text.h"
#include "sqlite_recovery/date_text.h"
#include "sqlite_recovery/sqlite_recovery_file.h"

namespace vesmar {

namespace {

// Types 6 and 7 hold eight content bytes; both are read as the double Core Data stores.
bool EightByteReal(const Column& c, double& value) {
  if ((c.serialType != 6 && c.serialType != 7) || !c.complete()) return false;
  value = std::bit_cast<double>(c.Raw64());
  return true;
}

std::u16string CallDateText(const Column& c, const CallColumns& m) {
  double real = 0;
  if (c.IsSmallInteger() && c.complete()) return m.appleEpoch ? AppleDateText(c.Integer()) : LocalDateText(c.Integer());
  if (m.realValues && EightByteReal(c, real)) return AppleDateTextFromDouble(real);
  return {};
}

std::int32_t Seconds(double value) {
  if (!std::isfinite(value)) return 0;
  return static_cast<std::int32_t>(std::clamp(std::trunc(value), -2147483648.0, 2147483647.0));
}

bool Printable(std::u16string_view text) {
  return std::none_of(text.begin(), text.end(), [](char16_t c) { return c < u' '; });
}

}  // namespace

std::int32_t CallColumns::lastColumn() const { return std::max({originated, date, duration, address}); }

CallColumns CallColumnsFor(std::int32_t callTableKind, bool ios12OrLater) {
  CallColumns m;
  if (callTableKind == 1) {
    if (ios12OrLater) m.address = 21;
    return m;
  }
  m.appleEpoch = false;
  m.realValues = false;
  m.printableAddress = true;
  return m;
}

int CallRecordParser::Parse(CSqliteRecoveryFile& file, const RecordBytes& record, std::vector<CallRecord>& out) {
  RecordCursor row = reader_.Open(file, record);
  if (record.form == RecordForm::Cell && record.status == RecordStatus::Live && reader_.liveTypeBytes() > 0)
    file.settings.callHeaderBytes = reader_.liveTypeBytes();
  CallRecord r;
  r.status = record.status;
  const std::int32_t last = columns_.lastColumn();
  for (Column c; row.Next(c) && c.index <= last;) {
    if (c.IsText() && !c.complete()) return result::kInvalid;
    if (c.index == columns_.originated) {
      if (c.serialType == 8) r.incoming = 1;
    } else if (c.index == columns_.date) {
      r.date = CallDateText(c, columns_);
    } else if (c.index == columns_.duration) {
      std::int32_t whole = 0;
      double real = 0;
      if (SmallInteger(c, whole)) r.duration = whole;
      else if (columns_.realValues && EightByteReal(c, real)) r.duration = Seconds(real);
    } else if (c.index == columns_.address && c.IsText()) {
      DecodedText text = ColumnText(c);
      if (!text.valid || text.text.empty()) return result::kInvalid;
      if (columns_.printableAddress && !Printable(text.text)) return result::kInvalid;
      r.address = std::move(text.text);
    }
  }
  if (r.address.empty() || r.date.empty()) return result::kInvalid;
  out.push_back(std::move(r));
  return result::kOk;
}

}  // namespace vesmar
