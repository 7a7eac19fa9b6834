// The sub-commands of vesmar-cli. Each takes the arguments after its name and returns the
// process exit status.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "recovery/scan_run.h"

namespace vesmar::cli {

using Args = std::vector<std::string>;

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitWrongPassword = 3;
inline constexpr int kExitUsage = 64;

int ScanCommand(const Args& args);
int DemoCommand(const Args& args);
int ListCommand(const Args& args);
int DevicesCommand(const Args& args);
// Backs the connected device up and scans the backup into `results`; -1 when it did (then
// `scanned` is the scan's result), else the exit status after reporting why not.
int ScanDevice(const std::optional<std::string>& password, bool json, ScanResults& results, int& scanned);
int ExportCommand(const Args& args);
int CarveCommand(const Args& args);

}  // namespace vesmar::cli
