#include "sqlite_recovery/row_dump_output.h"

#include <cerrno>
#include <charconv>

#include "sqlite_recovery/table_driver.h"

namespace vesmar {

RowDumpOutput::~RowDumpOutput() { Close(); }

int RowDumpOutput::Open(const std::filesystem::path& path) {
  Close();
  error_ = 0;
  file_ = std::fopen(path.c_str(), "ab");
  return file_ ? 0 : (errno ? errno : EIO);
}

void RowDumpOutput::Write(std::string_view line) {
  if (!file_ || error_ != 0 || line.empty()) return;
  if (std::fwrite(line.data(), 1, line.size(), file_) != line.size()) error_ = errno ? errno : EIO;
}

int RowDumpOutput::Close() {
  if (!file_) return error_;
  if (std::fclose(file_) != 0 && error_ == 0) error_ = errno ? errno : EIO;
  file_ = nullptr;
  return error_;
}

int RunRowDump(CSqliteRecoveryFile& file, std::string_view table, const std::filesystem::path& output,
               const std::function<RecordParser(RowDumpOutput&)>& makeWriter) {
  RowDumpOutput out;
  if (const int rc = out.Open(output)) return rc;
  RecoverTableOptions options;
  options.adoptEmptyFreelistPages = false;
  const int code = RecoverTable(file, table, makeWriter(out), options);
  const int written = out.Close();
  return code != 0 ? code : written;
}

void AppendQuoteDoubled(std::string& out, std::string_view value) {
  for (const char c : value) {
    out += c;
    if (c == '"' || c == '\'') out += c;
  }
}

void AppendDecimal(std::string& out, std::int64_t value) {
  char buf[24];
  const auto end = std::to_chars(buf, buf + sizeof buf, value).ptr;
  out.append(buf, end);
}

}  // namespace vesmar
