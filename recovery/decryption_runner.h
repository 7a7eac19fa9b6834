// Opening an encrypted backup: the decryption tool writes a plain copy of its files.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "recovery/backup_entry.h"
#include "recovery/scan_session.h"

namespace vesmar {

struct DecryptionOutput {
  std::filesystem::path folder;              // flat folder of decrypted files (empty when none)
  std::vector<std::filesystem::path> files;  // every file the decryption wrote, for the clean-up
};

// Decrypts `backupFolder` with `password`, reporting on the session's scale. 0; -110 for a wrong
// password; 2 when stopped; another code for a failure.
int RunDecryptionTool(const std::filesystem::path& backupFolder, const std::u16string& password,
                      ScanSession& session, DecryptionOutput& output);

}  // namespace vesmar
