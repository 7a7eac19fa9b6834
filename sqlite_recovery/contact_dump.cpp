#include "sqlite_recovery/contact_dump.h"

#include <string>
#include <vector>

#include "recovery/result_codes.h"
#include "sqlite_recovery/contact_parser.h"
#include "sqlite_recovery/row_dump_output.h"
#include "sqlite_recovery/sqlite_recovery_file.h"

namespace vesmar {

namespace {

class ContactRowWriter {
 public:
  explicit ContactRowWriter(RowDumpOutput& output) : output_(output) {}

  int operator()(CSqliteRecoveryFile& file, const RecordBytes& record) {
    RecordCursor row = OpenContactRow(file, record);
    columns_.clear();
    bool holdsValue = false;
    for (Column c; row.Next(c);) {
      if (c.IsText() && !ContactTextValid(c)) return result::kInvalid;
      holdsValue = holdsValue || !c.IsNull();
      columns_.push_back(c);
    }
    // Zeroed free space reads as rows of NULLs; a deleted row without a value is none.
    if (columns_.empty() || (record.status == RecordStatus::Deleted && !holdsValue)) return result::kInvalid;
    std::uint64_t rowid = row.form() == RecordForm::Cell ? static_cast<std::uint64_t>(row.rowid()) : 0;
    if (rowid == 0) rowid = ++file.settings.highestContactRowid;

    line_.clear();
    AppendDecimal(line_, static_cast<std::int64_t>(rowid));
    line_ += ',';
    const std::int32_t last = columns_.back().index;
    for (const Column& c : columns_) {
      if (c.index == 0) continue;  // the docid: the line's first value stands for it
      const std::uint64_t t = c.serialType;
      const bool isLast = c.index == last;
      if (t == 0 || t == 13) {
        line_ += isLast ? "NULL" : "NULL,";
      } else if (t <= 4) {
        AppendDecimal(line_, static_cast<std::int32_t>(c.Integer()));
        line_ += ',';
      } else if (t <= 7) {
        line_ += ',';
      } else if (c.IsText()) {
        line_ += '"';
        AppendQuoteDoubled(line_, c.Bytes());
        line_ += isLast ? "\"" : "\",";
      }
      // Constants, reserved types and blobs add nothing.
    }
    line_ += "\r\n";
    output_.Write(line_);
    return result::kOk;
  }

 private:
  RowDumpOutput& output_;
  std::vector<Column> columns_;
  std::string line_;
};

}  // namespace

int DumpContactRows(const std::filesystem::path& addressBook, const std::filesystem::path& output,
                    std::uint64_t highestContactRowid) {
  CSqliteRecoveryFile file;
  if (const int rc = file.OpenDatabaseFile(addressBook)) return rc;
  file.settings.highestContactRowid = highestContactRowid;
  return RunRowDump(file, kContactSearchTable, output, [](RowDumpOutput& out) { return ContactRowWriter(out); });
}

}  // namespace vesmar
