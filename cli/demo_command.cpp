#include <cstdio>
#include <exception>
#include <filesystem>
#include <system_error>

#include "cli/commands.h"
#include "tests/fixtures/demo_backup.h"

namespace vesmar::cli {

int DemoCommand(const Args& args) {
  if (args.size() != 1) {
    std::fputs("usage: vesmar-cli demo <folder>\n", stderr);
    return kExitUsage;
  }
  const std::filesystem::path folder = args[0];
  // The demo's files would replace files of the same names: only a new or empty folder is used.
  std::error_code ec;
  if (std::filesystem::exists(folder, ec) && !std::filesystem::is_empty(folder, ec)) {
    std::fprintf(stderr, "vesmar-cli: %s is not empty; choose an empty folder\n", folder.c_str());
    return kExitFailure;
  }
  try {
    fixtures::WriteDemoBackup(folder);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vesmar-cli: cannot write the demo backup: %s\n", e.what());
    return kExitFailure;
  }
  std::printf("Demo backup written to %s\n", folder.c_str());
  return kExitOk;
}

}  // namespace vesmar::cli
