#include "sqlite_recovery/message_parsers.h"

#include "recovery/result_codes.h"
#include "sqlite_recovery/column_text.h"
#include "sqlite_recovery/date_text.h"
#include "sqlite_recovery/row_reader.h"
#include "sqlite_recovery/sqlite_recovery_file.h"

namespace vesmar {

namespace {

std::int32_t Low32(std::int64_t value) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(value)); }

// The text of one column as stored (bad UTF-8 shows as U+FFFD); empty when it is no text.
std::u16string TextAt(RecordCursor& row, std::int32_t index) {
  for (Column c; row.Next(c);)
    if (c.index == index) return c.IsText() ? ColumnText(c).text : std::u16string();
  return {};
}

}  // namespace

RecordCursor OpenMessageRow(CSqliteRecoveryFile& file, const RecordBytes& record) {
  RecordCursor row = OpenRecord(file, record, /*assembleOverflow=*/true);
  if (record.form != RecordForm::Cell || record.status != RecordStatus::Live) return row;
  bool complete = true;
  const std::int32_t columns = row.ColumnCount(complete);
  if (columns > 0 && complete) file.settings.messageColumnCount = columns;
  const auto rowid = static_cast<std::uint64_t>(row.rowid());
  if (rowid > file.settings.highestRowid) file.settings.highestRowid = rowid;
  return row;
}

std::u16string MessageDateText(const Column& column) {
  if (column.serialType >= 1 && column.serialType <= 5) return AppleDateText(column.Integer());
  if (column.serialType == 6) {
    // Nanoseconds since 2001 (iOS 11 and later); the seconds fit 32 bits for any real date.
    const std::int64_t seconds = column.Integer() / 1'000'000'000;
    return AppleDateText(Low32(seconds));
  }
  if (column.IsReal()) return AppleDateTextFromDouble(column.Real());
  return {};
}

int ParseMessageRecord(CSqliteRecoveryFile& file, const RecordBytes& record, std::vector<MessageRecord>& out) {
  RecordCursor row = OpenMessageRow(file, record);
  MessageRecord r;
  r.status = record.status;
  r.rowid = RecordRowid(row);
  for (Column c; row.Next(c);) {
    if (c.IsText() && !c.complete()) return result::kInvalid;
    switch (c.index) {
      case message_column::kText:
        if (c.IsText() && !ReadCleanText(c, r.text)) return result::kInvalid;
        break;
      case message_column::kHandleId:
        // SQLite stores the values 0 and 1 as constants without content: handle 1 is type 9.
        if (c.IsInteger()) r.handleId = Low32(c.Integer());
        break;
      case message_column::kDate:
        r.date = MessageDateText(c);
        break;
      case message_column::kIsFromMe:
        if (c.serialType == 9) r.fromMe = 1;
        break;
      default:
        break;
    }
  }
  if (r.text.empty()) return result::kInvalid;
  out.push_back(std::move(r));
  return result::kOk;
}

int ParseChatHandleRecord(CSqliteRecoveryFile& file, const RecordBytes& record, std::vector<ChatHandleRecord>& out) {
  RecordCursor row = OpenRecord(file, record, /*assembleOverflow=*/true);
  ChatHandleRecord r;
  r.status = record.status;
  r.rowid = RecordRowid(row);
  r.address = TextAt(row, 1);
  if (r.address.empty()) return result::kInvalid;
  out.push_back(std::move(r));
  return result::kOk;
}

int ParseAttachmentRecord(CSqliteRecoveryFile& file, const RecordBytes& record, std::vector<AttachmentRecord>& out) {
  RecordCursor row = OpenRecord(file, record, /*assembleOverflow=*/true);
  AttachmentRecord r;
  r.status = record.status;
  r.rowid = RecordRowid(row);
  r.fileName = TextAt(row, 4);
  if (r.fileName.empty()) return result::kInvalid;
  out.push_back(std::move(r));
  return result::kOk;
}

int ParseAttachmentLinkRecord(CSqliteRecoveryFile& file, const RecordBytes& record,
                              std::vector<AttachmentLinkRecord>& out) {
  RecordCursor row = OpenRecord(file, record, /*assembleOverflow=*/true);
  AttachmentLinkRecord r;
  r.status = record.status;
  for (Column c; row.Next(c);) {
    if (c.index == 0 && c.IsInteger()) r.messageId = Low32(c.Integer());
    if (c.index == 1 && c.IsInteger()) r.attachmentId = Low32(c.Integer());
  }
  out.push_back(r);
  return result::kOk;
}

}  // namespace vesmar
