#include "sqlite_recovery/contact_parser.h"

#include <algorithm>

#include "recovery/result_codes.h"
#include "sqlite_recovery/column_text.h"
#include "sqlite_recovery/sqlite_recovery_file.h"
#include "sqlite_recovery/table_driver.h"

namespace vesmar {

namespace {

enum class ContactField { None, FirstName, LastName, Company, Phones, Emails, Address, Social, Url };

ContactField FieldAt(std::int32_t index, bool ios12OrLater) {
  switch (index) {
    case 1: return ContactField::FirstName;
    case 2: return ContactField::LastName;
    case 7: return ContactField::Company;
    default: break;
  }
  // iOS 12 inserted the organisation's phonetic spelling at column 8: the later fields moved by one.
  switch (index - (ios12OrLater ? 1 : 0)) {
    case 16: return ContactField::Phones;
    case 17: return ContactField::Emails;
    case 18: return ContactField::Address;
    case 19: return ContactField::Social;
    case 20: return ContactField::Url;
    default: return ContactField::None;
  }
}

bool HasControlCharacter(std::u16string_view text) {
  return std::any_of(text.begin(), text.end(), [](char16_t c) { return c < u' '; });
}

}  // namespace

RecordCursor OpenContactRow(CSqliteRecoveryFile& file, const RecordBytes& record) {
  auto& s = file.settings;
  // A carved row is read for the column count of the live rows, not for their serial-type
  // bytes: those vary with the length of every text, the count does not.
  if (record.form == RecordForm::Header)
    return RecordCursor::Header(record.bytes, record.available, file.CurrentColumnCount());
  RecordCursor row = OpenRecord(file, record, /*assembleOverflow=*/true);
  if (record.status == RecordStatus::Live) {
    const auto typeBytes = static_cast<std::int64_t>(row.headerLength()) - row.headerLengthSize();
    bool complete = true;
    const std::int32_t columns = row.ColumnCount(complete);
    if (row.typesComplete() && complete && typeBytes > 0 && typeBytes <= INT32_MAX) {
      s.contactHeaderBytes = static_cast<std::int32_t>(typeBytes);
      s.contactColumnCount = columns;
    }
    const auto rowid = static_cast<std::uint64_t>(row.rowid());
    if (rowid > s.highestContactRowid) s.highestContactRowid = rowid;
  }
  return row;
}

bool ContactTextValid(const Column& column) { return column.complete() && column.Text().valid; }

int ParseContactRecord(CSqliteRecoveryFile& file, const RecordBytes& record, std::vector<ContactRecord>& out) {
  RecordCursor row = OpenContactRow(file, record);
  const bool ios12 = file.settings.ios12OrLater != 0;
  ContactRecord r;
  r.status = record.status;
  std::u16string first, last;
  bool holdsValue = false;
  for (Column c; row.Next(c);) {
    holdsValue = holdsValue || !c.IsNull();
    if (!c.IsText()) continue;
    DecodedText text = ColumnText(c);
    if (!c.complete() || !text.valid) return result::kInvalid;
    switch (FieldAt(c.index, ios12)) {
      case ContactField::FirstName: first = std::move(text.text); break;
      case ContactField::LastName: last = std::move(text.text); break;
      case ContactField::Company: r.company = std::move(text.text); break;
      case ContactField::Phones:
        if (HasControlCharacter(text.text)) return result::kInvalid;
        r.phones = std::move(text.text);
        break;
      case ContactField::Emails: r.emails = std::move(text.text); break;
      case ContactField::Address: r.address = std::move(text.text); break;
      case ContactField::Social: r.social = std::move(text.text); break;
      case ContactField::Url: r.url = std::move(text.text); break;
      case ContactField::None: break;
    }
  }
  // Zeroed free space reads as rows of NULLs; a deleted row without a value is none.
  if (record.status == RecordStatus::Deleted && !holdsValue) return result::kInvalid;
  r.name = std::move(first) + last;
  out.push_back(std::move(r));
  return result::kOk;
}

int RecoverContactRows(CSqliteRecoveryFile& file, std::vector<ContactRecord>& out) {
  return RecoverTable(file, kContactSearchTable, [&out](CSqliteRecoveryFile& f, const RecordBytes& record) {
    return ParseContactRecord(f, record, out);
  });
}

}  // namespace vesmar
