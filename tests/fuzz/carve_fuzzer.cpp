// libFuzzer target: a mutated database is opened from memory and every table of its schema is
// carved with the generic parser, plus the tables whose carving rules differ by name.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "sqlite_recovery/generic_carving.h"
#include "sqlite_recovery/sqlite_recovery_file.h"
#include "sqlite_recovery/table_driver.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vesmar;
  CSqliteRecoveryFile file;
  if (file.OpenDatabaseBuffer(data, size) != 0) return 0;
  std::vector<SchemaEntry> schema;
  ReadSchema(file, schema);
  int tables = 0;
  for (const auto& table : SchemaTables(schema)) {
    if (++tables > 16) break;
    std::vector<GenericRecord> records;
    CarveRun run;
    CarveTable(file, schema, table.name, 0, records, run);
  }
  // Named tables carve with rules of their own (the message guid, the call header bytes, empty
  // freed pages); run them over whatever the input holds.
  file.settings.callHeaderBytes = 12;
  for (const char* name : {"message", "call", "ABPersonFullTextSearch_content"}) {
    std::vector<GenericRecord> records;
    RecoverTable(file, name, GenericRecordParser(records));
  }
  return 0;
}
