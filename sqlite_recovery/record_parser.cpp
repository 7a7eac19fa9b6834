#include "sqlite_recovery/record_parser.h"

namespace vesmar {

std::string RecordSourceName(RecordOrigin origin, bool onFreelistPage) {
  const char* detector = "";
  switch (origin) {
    case RecordOrigin::Cell: return onFreelistPage ? "freelist page" : "live cell";
    case RecordOrigin::Freeblock: detector = "freeblock"; break;
    case RecordOrigin::Tail: detector = "tail"; break;
    case RecordOrigin::Gap: detector = "gap"; break;
    case RecordOrigin::StaleSlot: detector = "stale slot"; break;
    case RecordOrigin::FreelistTrunk: return "freelist trunk";
    case RecordOrigin::EmptiedPage: detector = "emptied page"; break;
  }
  return onFreelistPage ? std::string("freelist page, ") + detector : std::string(detector);
}

}  // namespace vesmar
