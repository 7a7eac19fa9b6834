#include "sqlite_recovery/message_dump.h"

#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "recovery/result_codes.h"
#include "sqlite_recovery/date_text.h"
#include "sqlite_recovery/message_parsers.h"
#include "sqlite_recovery/row_dump_output.h"
#include "sqlite_recovery/sqlite_recovery_file.h"

namespace vesmar {

namespace {

namespace col = message_column;

constexpr std::string_view kDeletedGuidPrefix = "27B99F78-F6F0-475F-8BA1-";

bool IsGuidText(std::string_view value) {
  if (value.size() != 36) return false;
  for (const char c : value)
    if (c < '-' || c > 'z') return false;
  return true;
}

void AppendHex(std::string& out, std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
  }
}

class MessageRowWriter {
 public:
  MessageRowWriter(RowDumpOutput& output, std::int64_t appleNow) : output_(output), now_(appleNow) {}

  int operator()(CSqliteRecoveryFile& file, const RecordBytes& record) {
    RecordCursor row = OpenMessageRow(file, record);
    columns_.clear();
    bool sentByDevice = false;
    bool holdsValue = false;
    for (Column c; row.Next(c);) {
      if ((c.IsText() || c.IsBlob()) && !c.complete()) return result::kInvalid;
      if (c.index == col::kIsFromMe && c.serialType == 9) sentByDevice = true;
      holdsValue = holdsValue || !c.IsNull();
      columns_.push_back(c);
    }
    const bool deleted = record.status == RecordStatus::Deleted;
    // Zeroed free space reads as rows of NULLs; a deleted row without a value is none.
    if (columns_.empty() || (deleted && !holdsValue)) return result::kInvalid;
    std::uint64_t rowid = row.form() == RecordForm::Cell ? static_cast<std::uint64_t>(row.rowid()) : 0;
    const bool numbered = rowid == 0;
    if (numbered) rowid = file.settings.highestRowid + 1;

    body_.clear();
    const std::int32_t last = columns_.back().index;
    for (const Column& c : columns_) {
      if (c.index == 0) continue;  // the rowid alias: the line's first value stands for it
      if (deleted && AppendDeletedMark(c.index, sentByDevice)) continue;
      if (!AppendValue(c, c.index == last, deleted, rowid)) return result::kInvalid;
    }
    if (numbered) file.settings.highestRowid = rowid;
    line_.clear();
    AppendDecimal(line_, static_cast<std::int64_t>(rowid));
    line_ += ',';
    line_ += body_;
    line_ += "\r\n";
    output_.Write(line_);
    return result::kOk;
  }

 private:
  // The values a deleted row is given so that it reads as a finished message of now.
  bool AppendDeletedMark(std::int32_t index, bool sentByDevice) {
    switch (index) {
      case col::kIsFinished: body_ += "1,"; return true;
      case col::kDate: AppendNow(); return true;
      case col::kDateRead:
        if (sentByDevice) body_ += "0,";
        else AppendNow();
        return true;
      case col::kIsRead: body_ += sentByDevice ? "0," : "1,"; return true;
      default: return false;
    }
  }

  void AppendNow() {
    AppendDecimal(body_, now_);
    body_ += ',';
  }

  bool AppendValue(const Column& c, bool last, bool deleted, std::uint64_t rowid) {
    const std::uint64_t t = c.serialType;
    if (t == 0 || t == 13) {
      body_ += "NULL,";
    } else if (t <= 4) {
      AppendDecimal(body_, static_cast<std::int32_t>(c.Integer()));
      body_ += ',';
    } else if (t <= 7) {
      body_ += ',';
    } else if (t == 8 || t == 9) {
      body_ += t == 9 ? '1' : '0';
      if (!last) body_ += ',';
    } else if (t >= 14) {
      const std::string_view value = c.Bytes();
      if (c.index == col::kText && !DecodeText(c.data, value.size(), c.available).valid) return false;
      if (deleted && c.index == col::kAccountGuid && !IsGuidText(value)) return false;
      if (deleted && c.index == col::kGuid) {
        char guid[64];
        std::snprintf(guid, sizeof guid, "\"%.*s%012llX\",", static_cast<int>(kDeletedGuidPrefix.size()),
                      kDeletedGuidPrefix.data(), static_cast<unsigned long long>(rowid));
        body_ += guid;
      } else if (c.index == col::kAttributedBody) {
        AppendHex(body_, value);
        body_ += ',';
      } else {
        body_ += '"';
        AppendQuoteDoubled(body_, value);
        body_ += "\",";
      }
    }
    // Types 10 to 12 (reserved, empty blob) add nothing.
    return true;
  }

  RowDumpOutput& output_;
  std::int64_t now_;
  std::vector<Column> columns_;
  std::string body_;
  std::string line_;
};

}  // namespace

int DumpMessageRows(const std::filesystem::path& messagesDb, const std::filesystem::path& output,
                    std::uint64_t highestRowid) {
  CSqliteRecoveryFile file;
  if (const int rc = file.OpenDatabaseFile(messagesDb)) return rc;
  file.settings.highestRowid = highestRowid;
  const std::int64_t now = static_cast<std::int64_t>(std::time(nullptr)) - kAppleEpochOffset;
  return RunRowDump(file, "message", output, [now](RowDumpOutput& out) { return MessageRowWriter(out, now); });
}

}  // namespace vesmar
