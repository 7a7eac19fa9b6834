// vesmar-cli: the recovery engine without windows, for scripts, examiners and servers.
#include <cstdio>
#include <cstring>
#include <string>

#include "cli/commands.h"

namespace {

constexpr const char* kUsage =
    "Vesmar iPhone Data Recovery, command line\n"
    "\n"
    "usage: vesmar-cli <command> [arguments]\n"
    "\n"
    "commands:\n"
    "  scan <backup-folder> [--password TEXT] [--json]\n"
    "        scan a backup folder and print what it holds per category (live and deleted)\n"
    "  list [--json]\n"
    "        list the backups kept for the current user, newest first\n"
    "  scan --device [--password TEXT] [--json]\n"
    "        back the connected device up, then scan that backup\n"
    "  devices [--json]\n"
    "        list the connected devices: name, class, version, whether backups are encrypted\n"
    "  export <backup-folder> <output-folder> [--password TEXT] [--only-deleted] [--category NAME ...]\n        recover everything (or only deleted records, or the named categories) into <output-folder>\n"
    "  demo <folder>\n"
    "        write a small demo backup into <folder>\n"
    "  carve <database> <table> [--columns N] [--json]\n"
    "        print the live and deleted rows of one table of an SQLite database\n";

struct Command {
  const char* name;
  int (*run)(const vesmar::cli::Args&);
};

constexpr Command kCommands[] = {
    {"scan", &vesmar::cli::ScanCommand},
    {"demo", &vesmar::cli::DemoCommand},
    {"list", &vesmar::cli::ListCommand},
    {"devices", &vesmar::cli::DevicesCommand},
    {"export", &vesmar::cli::ExportCommand},
    {"carve", &vesmar::cli::CarveCommand},
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    std::fputs(kUsage, argc < 2 ? stderr : stdout);
    return argc < 2 ? vesmar::cli::kExitUsage : vesmar::cli::kExitOk;
  }
  const vesmar::cli::Args args(argv + 2, argv + argc);
  for (const auto& command : kCommands)
    if (std::strcmp(argv[1], command.name) == 0) return command.run(args);
  std::fprintf(stderr, "vesmar-cli: unknown command '%s'\n\n%s", argv[1], kUsage);
  return vesmar::cli::kExitUsage;
}
