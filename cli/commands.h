// The sub-commands of vesmar-cli. Each takes the arguments after its name and returns the
// process exit status.
#pragma once

#include <string>
#include <vector>

namespace vesmar::cli {

using Args = std::vector<std::string>;

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitWrongPassword = 3;
inline constexpr int kExitUsage = 64;

int ScanCommand(const Args& args);
int DemoCommand(const Args& args);
int ExportCommand(const Args& args);

}  // namespace vesmar::cli
