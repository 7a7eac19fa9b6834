// Opening an encrypted backup: the decryption tool writes a plain copy of its files.
#pragma once

#include <cstdint>
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

// Result codes of a decryption beyond the shared ones.
inline constexpr int kDecryptionFailed = 6000;        // the tool could not read or decrypt the backup
inline constexpr int kDecryptionOutputFailed = 112;   // the plain copy could not be written (disk full...)

// Where the tool comes from, the copy that is run, and the folder it writes.
struct DecryptionToolPaths {
  std::filesystem::path source;  // "tool" beside the program
  std::filesystem::path copy;    // in the app folder, rewritten before each run
  std::filesystem::path output;  // TempBackupRoot/VesmarBackupPath
};
DecryptionToolPaths DefaultDecryptionToolPaths();

// Decrypts `backupFolder` with `password`, reporting on the session's scale (ProgressReached
// becomes 1 at the tool's first count, the run then fills StepWidth). The password reaches the
// tool on its standard input, never on its command line. 0 with `output` filled; -110 for a wrong
// password; the callback's answer when it asked to stop (the tool is then ended and its partial
// output deleted); 87 when the tool cannot be started; kDecryptionFailed or
// kDecryptionOutputFailed when it failed.
int RunDecryptionTool(const DecryptionToolPaths& tool, const std::filesystem::path& backupFolder,
                      const std::u16string& password, ScanSession& session, DecryptionOutput& output);
int RunDecryptionTool(const std::filesystem::path& backupFolder, const std::u16string& password,
                      ScanSession& session, DecryptionOutput& output);

// The denominator of the tool's counts: the backup folder's top-level files plus the entries of
// each top-level sub-folder; names beginning with "." are left out.
std::uint64_t CountBackupFiles(const std::filesystem::path& folder);

}  // namespace vesmar
