// Record parsers of the messages database (sms.db): tables message, handle, attachment and
// message_attachment_join. Each accepts one record from the table driver (record_parser.h) and
// appends it to its list, or rejects it with 87.
#pragma once

#include <vector>

#include "sqlite_recovery/record_cursor.h"
#include "sqlite_recovery/record_parser.h"
#include "sqlite_recovery/records.h"

namespace vesmar {

class CSqliteRecoveryFile;

// Column positions of table message, the same in every layout from 38 columns on.
namespace message_column {
inline constexpr int kGuid = 1;
inline constexpr int kText = 2;
inline constexpr int kHandleId = 5;
inline constexpr int kAttributedBody = 8;
inline constexpr int kAccountGuid = 13;
inline constexpr int kDate = 15;
inline constexpr int kDateRead = 16;
inline constexpr int kIsFinished = 19;
inline constexpr int kIsFromMe = 21;
inline constexpr int kIsRead = 26;
}  // namespace message_column

// Opens a row of table message: a cell with its spilled payload assembled, or carved bytes with
// the file's message column count. A live cell teaches the file the message column count (the
// number of columns the row has, so carving follows whatever layout the device wrote) and raises
// the highest rowid.
RecordCursor OpenMessageRow(CSqliteRecoveryFile& file, const RecordBytes& record);

// The date of column 15: seconds since 2001 in an integer of 1 to 4 bytes, nanoseconds in an
// 8-byte integer, or whole seconds of a double. Empty for any other type.
std::u16string MessageDateText(const Column& column);

int ParseMessageRecord(CSqliteRecoveryFile& file, const RecordBytes& record, std::vector<MessageRecord>& out);
int ParseChatHandleRecord(CSqliteRecoveryFile& file, const RecordBytes& record, std::vector<ChatHandleRecord>& out);
int ParseAttachmentRecord(CSqliteRecoveryFile& file, const RecordBytes& record, std::vector<AttachmentRecord>& out);
int ParseAttachmentLinkRecord(CSqliteRecoveryFile& file, const RecordBytes& record,
                              std::vector<AttachmentLinkRecord>& out);

}  // namespace vesmar
