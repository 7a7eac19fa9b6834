#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
cd "$root/build"
ctest --output-on-failure -j2 --timeout 600
"$root/scripts/device-oracle.sh" "$root/build"

# Sanitizers: the non-GUI tests built with clang under AddressSanitizer and UndefinedBehaviorSanitizer
# in their own folder, which also holds the carve fuzzer (libFuzzer needs clang, so one build
# serves both). Then a bounded fuzz run, seeded with the fixture databases.
sanitize="$root/build-sanitize"
BUILD_DIR="$sanitize" "$root/scripts/build.sh" -DVESMAR_BUILD_GUI=OFF -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DVESMAR_SANITIZE=address,undefined -DVESMAR_BUILD_FUZZ=ON
ctest --test-dir "$sanitize" --output-on-failure -j2 --timeout 900
fuzz="$sanitize/fuzz-run"
rm -rf "$fuzz" && mkdir -p "$fuzz/corpus"
"$sanitize/bin/carve_fuzz_seeds" "$fuzz/seeds"
(cd "$fuzz" && "$sanitize/bin/carve_fuzzer" -max_total_time=40 -max_len=65536 -rss_limit_mb=2048 -timeout=10 \
  -print_final_stats=1 corpus seeds)
# The drivers' parsers and joins over the same seeds (the demo's sms.db needs the longer inputs).
mkdir -p "$fuzz/driver-corpus"
(cd "$fuzz" && "$sanitize/bin/driver_fuzzer" -max_total_time=20 -max_len=131072 -rss_limit_mb=2048 -timeout=10 \
  -print_final_stats=1 driver-corpus seeds)
