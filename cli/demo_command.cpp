#include <cstdio>
#include <exception>

#include "cli/commands.h"
#include "platform/file_ops.h"
#include "tests/fixtures/demo_backup.h"

namespace vesmar::cli {

int DemoCommand(const Args& args) {
  if (args.size() != 1) {
    std::fputs("usage: vesmar-cli demo <folder>\n", stderr);
    return kExitUsage;
  }
  const std::filesystem::path folder = args[0];
  if (FileExists(folder / "Manifest.db") || FileExists(folder / "Manifest.mbdb")) {
    std::fprintf(stderr, "vesmar-cli: %s already holds a backup; choose an empty folder\n", folder.c_str());
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
