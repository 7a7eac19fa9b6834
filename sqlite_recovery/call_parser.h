// The call history's rows: table ZCALLRECORD of CallHistory.storedata (dates in seconds since
// 2001) or the older table call of call_history.db (seconds since 1970).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "sqlite_recovery/record_parser.h"
#include "sqlite_recovery/records.h"
#include "sqlite_recovery/row_reader.h"

namespace vesmar {

class CSqliteRecoveryFile;

inline constexpr std::string_view kCallRecordTable = "ZCALLRECORD";
inline constexpr std::string_view kCallTable = "call";

// Where a call row keeps its fields (column index from 0) and how it stores them. Every layout
// the program reads is one value of this map, chosen by CallColumnsFor.
struct CallColumns {
  std::int32_t originated = 10;  // constant 0: the call came in; constant 1: placed from the device
  std::int32_t date = 12;
  std::int32_t duration = 13;
  std::int32_t address = 20;
  bool appleEpoch = true;         // dates count from 2001, else from 1970
  bool realValues = true;         // date and duration may be 8-byte doubles
  bool printableAddress = false;  // an address with a character below U+0020 rejects the row

  std::int32_t lastColumn() const;
};

// `callTableKind` 1 for ZCALLRECORD, 0 for call; iOS 12 moved the address of ZCALLRECORD from
// column 20 to 21.
CallColumns CallColumnsFor(std::int32_t callTableKind, bool ios12OrLater);

// Parses the rows of one call table run. A live row teaches the file its call header bytes and
// the parser the table's column count, for which carved rows are read; before the first live row
// they are read for the width the table declares (a cleared call log has no live row). A row is
// appended when it has an address and a date (Deleted rows with the status handed in);
// otherwise, or when a text runs past its bytes or is no clean UTF-8, it is rejected (87).
class CallRecordParser {
 public:
  explicit CallRecordParser(const CallColumns& columns) : columns_(columns), reader_(0) {}
  int Parse(CSqliteRecoveryFile& file, const RecordBytes& record, std::vector<CallRecord>& out);

 private:
  CallColumns columns_;
  RowReader reader_;
};

}  // namespace vesmar
