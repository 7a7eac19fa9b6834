// The text file a row dump appends its lines to, and the value spellings both dumps share.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "sqlite_recovery/record_parser.h"

namespace vesmar {

class CSqliteRecoveryFile;

class RowDumpOutput {
 public:
  RowDumpOutput() = default;
  ~RowDumpOutput();
  RowDumpOutput(const RowDumpOutput&) = delete;
  RowDumpOutput& operator=(const RowDumpOutput&) = delete;

  // Opens the file for appending, creating it when missing. Result: 0 or errno.
  int Open(const std::filesystem::path& path);
  void Write(std::string_view line);
  // Flushes and closes. Result: 0, or errno of the first write or flush that failed.
  int Close();

 private:
  std::FILE* file_ = nullptr;
  int error_ = 0;
};

// Runs the table driver over `table` of the open `file` with a row writer, appending to
// `output`: live cells, carved rows and cells of freed pages (a freed page without cells is not
// adopted). `makeWriter` gets the open output and returns the parser. Result: errno when the
// output cannot be opened, else the table driver's code, else that of the last write.
int RunRowDump(CSqliteRecoveryFile& file, std::string_view table, const std::filesystem::path& output,
               const std::function<RecordParser(RowDumpOutput&)>& makeWriter);

// Appends `value` with every double and single quote doubled, as the dumps quote texts.
void AppendQuoteDoubled(std::string& out, std::string_view value);
// Appends the decimal spelling of an integer.
void AppendDecimal(std::string& out, std::int64_t value);

}  // namespace vesmar
