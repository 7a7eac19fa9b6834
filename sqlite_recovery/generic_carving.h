// Carving any table with the generic record parser: the engine of `vesmar-cli carve`, the fuzz
// target and the forensic-corpus check.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sqlite_recovery/generic_record_parser.h"
#include "sqlite_recovery/schema_reader.h"

namespace vesmar {

class CSqliteRecoveryFile;

enum class ColumnCountSource { KnownTable, Given, CreateTable, FirstLiveRow, Unknown };
const char* ColumnCountSourceName(ColumnCountSource source);

struct CarveRun {
  std::string table;  // as the schema spells it
  std::int32_t columnCount = 0;
  ColumnCountSource source = ColumnCountSource::Unknown;
};

// Carves `table` (letter case ignored) of an open database whose schema was read. The expected
// column count is the known tables' count; else `columns` when given (> 0); else what the table's
// CREATE TABLE declares; else the column count of its first live row. A table missing from the
// schema can still be carved from the freelist when `columns` is given. The freelist's trunk pages
// are carved too, and the rows behind the first of merged freeblocks. Result: RecoverTable's,
// or 87 when the table is neither in the schema nor given a column count.
int CarveTable(CSqliteRecoveryFile& file, const std::vector<SchemaEntry>& schema, std::string_view table,
               std::int32_t columns, const GenericRecordSink& sink, CarveRun& run);
int CarveTable(CSqliteRecoveryFile& file, const std::vector<SchemaEntry>& schema, std::string_view table,
               std::int32_t columns, std::vector<GenericRecord>& out, CarveRun& run);

}  // namespace vesmar
