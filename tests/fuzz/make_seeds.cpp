// Writes the seed databases of the fuzz targets: the fixtures with deleted rows in every place
// carving looks, and the databases of the demo backup (messages, address book, call history,
// notes and WhatsApp, each with deleted rows).
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

#include "tests/fixtures/deleted_rows_fixture.h"
#include "tests/fixtures/demo_backup.h"
#include "tests/fixtures/temp_dir.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <seed-folder>\n", argv[0]);
    return 64;
  }
  namespace fs = std::filesystem;
  try {
    const fs::path seeds = argv[1];
    std::size_t count = vesmar::fixtures::WriteCarvingScenarios(seeds).size();
    vesmar::fixtures::TempDir demo;
    vesmar::fixtures::WriteDemoBackup(demo.path());
    for (const auto& entry : fs::recursive_directory_iterator(demo.path())) {
      if (!entry.is_regular_file()) continue;
      const std::string bytes = vesmar::fixtures::ReadFileBytes(entry.path());
      if (bytes.rfind(std::string("SQLite format 3\0", 16), 0) != 0) continue;
      fs::copy_file(entry.path(), seeds / ("demo-" + entry.path().filename().string() + ".db"),
                    fs::copy_options::overwrite_existing);
      ++count;
    }
    std::printf("%zu seeds in %s\n", count, argv[1]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
