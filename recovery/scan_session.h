// State of one scan that both sources share: the progress scale, the marks handed from a
// parse to its dump writer, and the grouped results.
#pragma once

#include <cstdint>
#include <filesystem>

#include "recovery/progress.h"
#include "sqlite_recovery/records.h"

namespace vesmar {

// Where the databases of the scanned backup are read.
struct DatabaseLocations {
  std::filesystem::path addressBook;
  std::filesystem::path messages;
  std::filesystem::path notes;
  std::filesystem::path callHistory;
  std::filesystem::path whatsAppChats;
};

struct ScanSession {
  ProgressCallback callback = nullptr;
  void* user = nullptr;
  std::int32_t progressReached = 0;
  std::int32_t stepWidth = 0;
  std::int32_t newSchema = 0;
  // Highest live rowids seen by the message and contact parses; the dumps number deleted rows
  // after them.
  std::uint64_t messageMark = 20000;
  std::uint64_t contactMark = 20000;
  MessageMap messages;
  WhatsAppChatMap whatsApp;

  // Reports `percent`; the callback's answer, or 0 without a callback.
  int Report(int percent) const { return callback ? callback(user, percent) : 0; }

  ParseContext Context() const { return {newSchema, callback, user, progressReached, stepWidth}; }

  // End of a parse step: adds its share to the progress reached and reports it. The answer of
  // the report is the step's result; without a callback the parser's own result is.
  int FinishParseStep(std::int32_t share, int parserResult) {
    progressReached += share;
    return callback ? callback(user, progressReached) : parserResult;
  }
};

}  // namespace vesmar
