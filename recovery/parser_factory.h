// Makes the parser of a scan for its source.
#pragma once

#include <memory>

#include "recovery/itunes_backup.h"
#include "recovery/phone_recovery_parse.h"

namespace vesmar {

enum class ScanSource : int { Device = 0, Backup = 1 };

// Source 0: the connected device (`backup` ignored); source 1: the backup held by `backup`.
// Any other source gives no object. Attach has been called on the result.
std::unique_ptr<IPhoneRecoveryParse> CreateParser(int source, CItunesBackup* backup);

}  // namespace vesmar
