// Writes the seed databases of the carve fuzzer: the fixtures with deleted rows in every place
// carving looks.
#include <cstdio>
#include <exception>

#include "tests/fixtures/deleted_rows_fixture.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <seed-folder>\n", argv[0]);
    return 64;
  }
  try {
    const auto paths = vesmar::fixtures::WriteCarvingScenarios(argv[1]);
    std::printf("%zu seeds in %s\n", paths.size(), argv[1]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
