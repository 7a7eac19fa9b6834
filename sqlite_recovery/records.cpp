#include "sqlite_recovery/records.h"

namespace vesmar {

const char* RecordStatusName(RecordStatus status) {
  return status == RecordStatus::Deleted ? "Deleted" : "Live";
}

}  // namespace vesmar
