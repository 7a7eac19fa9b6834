// Opening a backup folder for the commands that scan one: folder checks, its description,
// the password, and the reason in words when it cannot be opened.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "cli/progress_display.h"
#include "recovery/itunes_backup.h"
#include "recovery/phone_recovery_parse.h"

namespace vesmar::cli {

// "--password -" keeps the password out of the process list: it is read from the first line of
// standard input. False when standard input has no line.
bool ResolvePassword(std::optional<std::string>& password);

// A backup opened through the backup source; the parser forwards to `backup`.
struct OpenedBackup {
  CItunesBackup backup;
  BackupEntry entry;
  std::unique_ptr<IPhoneRecoveryParse> parser;
};

// Checks `folder`, describes it and runs Open with progress on `progress`. Returns Open's
// result, or 87 for a folder that is missing or a file; on failure `why` says it in words
// (already printed to standard error).
int OpenBackupFolder(const std::filesystem::path& folder, const std::optional<std::string>& password,
                     ProgressDisplay& progress, OpenedBackup& opened, std::string& why);

}  // namespace vesmar::cli
