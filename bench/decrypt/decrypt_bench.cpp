// Decrypting a generated encrypted backup of about 500 MB, end to end through the runner and the
// tool, against its floor: the key derivation plus a plain copy of the same stored bytes.
//
//   decrypt_bench [--benchmark_...]
// VESMAR_BENCH_MB sets the size (default 500). VESMAR_BENCH_DIR keeps the generated backup in that
// folder and reuses it on the next run.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <chrono>
#include <map>
#include <memory>
#include <string>

#include "platform/file_ops.h"
#include "recovery/decryption_runner.h"
#include "recovery/manifest_plist.h"
#include "tests/fixtures/backup_builder.h"
#include "tests/fixtures/backup_encryptor.h"
#include "tests/fixtures/temp_dir.h"
#include "tools/decrypt/keybag.h"

namespace {

namespace fs = std::filesystem;
using namespace vesmar;

constexpr const char* kPassword = "bench password";

std::string Content(std::size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  std::uint64_t x = 0x9E3779B97F4A7C15ull * (seed + 1);
  for (std::size_t i = 0; i + 8 <= size; i += 8) {
    x ^= x << 13, x ^= x >> 7, x ^= x << 17;
    std::memcpy(bytes.data() + i, &x, 8);
  }
  return bytes;
}

// A backup shaped like a phone's: a few large videos, many photos, many small files and a large
// database. Encrypted with the parameters of current devices (10,000,000 SHA-256 rounds), or
// with a trivial key derivation so that the file work shows on its own.
struct BenchBackup {
  fixtures::TempDir scratch;
  fs::path dir;
  fs::path encrypted;
  std::uint64_t bytes = 0;
  std::vector<fs::path> storedFiles;

  explicit BenchBackup(std::uint32_t dpIterations) {
    const char* kept = std::getenv("VESMAR_BENCH_DIR");
    dir = kept && *kept ? fs::path(kept) : scratch.path();
    encrypted = dir / ("encrypted-" + std::to_string(dpIterations));
    if (!fs::exists(encrypted / "Manifest.plist")) Generate(dpIterations);
    for (const auto& e : fs::recursive_directory_iterator(encrypted)) {
      if (!e.is_regular_file() || e.path().parent_path() == encrypted) continue;
      storedFiles.push_back(e.path());
      bytes += e.file_size();
    }
  }

  void Generate(std::uint32_t dpIterations) {
    const char* mb = std::getenv("VESMAR_BENCH_MB");
    const std::uint64_t target = (mb ? std::strtoull(mb, nullptr, 10) : 500) * 1'000'000ull;
    std::uint64_t written = 0;
    {
      fixtures::BackupBuilder b(dir / "plain", fixtures::ManifestFormat::Db);
      auto add = [&](const std::string& domain, const std::string& path, std::size_t size) {
        b.AddFile(domain, path, Content(size, static_cast<unsigned>(written)));
        written += size;
      };
      add("HomeDomain", "Library/SMS/sms.db", target / 12);
      for (int i = 0; written < target * 6 / 10; ++i)
        add("CameraRollDomain", "Media/DCIM/100APPLE/IMG_" + std::to_string(i) + ".MOV", 10'000'000 + i * 4097);
      for (int i = 0; written < target * 95 / 100; ++i)
        add("CameraRollDomain", "Media/DCIM/101APPLE/IMG_" + std::to_string(i) + ".JPG", 150'000 + i * 13);
      for (int i = 0; written < target; ++i)
        add("AppDomain-com.example.app", "Library/Caches/c" + std::to_string(i), 6'000 + i % 4000);
      b.Write();
    }
    fixtures::EncryptionOptions options;
    options.password = kPassword;
    options.iterations = dpIterations > 1 ? 10'000 : 1;
    options.dpIterations = dpIterations;
    fixtures::EncryptBackup(dir / "plain", encrypted, options);
    fs::remove_all(dir / "plain");
  }
};

BenchBackup& Backup(std::uint32_t dpIterations) {
  static std::map<std::uint32_t, std::unique_ptr<BenchBackup>> backups;
  auto& backup = backups[dpIterations];
  if (!backup) backup = std::make_unique<BenchBackup>(dpIterations);
  return *backup;
}

// Wall time and processor time (ours plus that of finished children).
struct Clock {
  std::chrono::steady_clock::time_point wall = std::chrono::steady_clock::now();
  double cpu = CpuSeconds();

  static double CpuSeconds() {
    double total = 0;
    for (const int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
      rusage u{};
      getrusage(who, &u);
      total += u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + u.ru_stime.tv_sec + u.ru_stime.tv_usec / 1e6;
    }
    return total;
  }
  double WallSince() const { return std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count(); }
  double CpuSince() const { return CpuSeconds() - cpu; }
};

// Each iteration runs both sides back to back, so that the load of a shared machine falls on
// both alike: the decryption through the runner and the tool (timed), and the floor, the same
// key derivation in process plus a copy of every stored file (counters).
void BM_DecryptAgainstFloor(benchmark::State& state) {
  BenchBackup& backup = Backup(static_cast<std::uint32_t>(state.range(0)));
  const DecryptionToolPaths paths{VESMAR_TOOL_PATH, backup.dir / "app" / "tool", backup.dir / "out"};
  const fs::path copy = backup.dir / "copy";
  CreateFolders(copy);
  ManifestPlist plist;
  ReadManifestPlist(backup.encrypted, plist);
  const auto keybag = decrypt::ParseKeybag(plist.backupKeyBag);
  double decryptWall = 0, decryptCpu = 0, kdfWall = 0, floorWall = 0, floorCpu = 0;

  auto runDecryption = [&] {
    const Clock clock;
    ScanSession session;
    session.stepWidth = 10;
    DecryptionOutput output;
    if (RunDecryptionTool(paths, backup.encrypted, u"bench password", session, output) != 0)
      state.SkipWithError("decryption failed");
    const double wall = clock.WallSince();
    decryptWall += wall;
    decryptCpu += clock.CpuSince();
    return wall;
  };
  auto runFloor = [&] {
    const Clock clock;
    decrypt::Key256 key;
    benchmark::DoNotOptimize(decrypt::DerivePasscodeKey(*keybag, kPassword, key));
    kdfWall += clock.WallSince();
    CopyFileReplacing(backup.encrypted / "Manifest.db", copy / "Manifest.db");
    for (const auto& file : backup.storedFiles) CopyFileReplacing(file, copy / file.filename());
    floorWall += clock.WallSince();
    floorCpu += clock.CpuSince();
  };

  bool decryptFirst = true;
  for (auto _ : state) {
    // Alternating the order spreads the cost of writing back the other side's output evenly.
    double wall;
    if (decryptFirst) {
      wall = runDecryption();
      runFloor();
    } else {
      runFloor();
      wall = runDecryption();
    }
    decryptFirst = !decryptFirst;
    state.SetIterationTime(wall);
    DeleteFilesIn(paths.output);
    DeleteFilesIn(copy);
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["MB"] = backup.bytes / 1e6;
  state.counters["decrypt_s"] = decryptWall / n;
  state.counters["floor_s"] = floorWall / n;
  state.counters["kdf_s"] = kdfWall / n;
  state.counters["ratio"] = decryptWall / floorWall;
  state.counters["cpu_ratio"] = decryptCpu / floorCpu;
  state.counters["files_vs_copy"] = (decryptWall - kdfWall) / (floorWall - kdfWall);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * backup.bytes));
}

BENCHMARK(BM_DecryptAgainstFloor)
    ->ArgName("dpic")
    ->Arg(10'000'000)
    ->Arg(1)
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

}  // namespace

BENCHMARK_MAIN();
