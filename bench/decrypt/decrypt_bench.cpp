// Decrypting a generated encrypted backup of about 500 MB, end to end through the runner and the
// tool, against its floor: the key derivation plus a plain copy of the same stored bytes.
//
//   decrypt_bench [--benchmark_...]
// VESMAR_BENCH_MB sets the size (default 500). VESMAR_BENCH_DIR keeps the generated backup in that
// folder and reuses it on the next run.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <filesystem>
#include <map>
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
// database; encrypted with the parameters of current devices (10,000,000 SHA-256 rounds).
struct BenchBackup {
  fixtures::TempDir scratch;
  fs::path dir;
  fs::path encrypted;
  std::uint64_t bytes = 0;
  std::vector<fs::path> storedFiles;

  BenchBackup() {
    const char* kept = std::getenv("VESMAR_BENCH_DIR");
    dir = kept && *kept ? fs::path(kept) : scratch.path();
    encrypted = dir / "encrypted";
    if (!fs::exists(encrypted / "Manifest.plist")) Generate();
    for (const auto& e : fs::recursive_directory_iterator(encrypted)) {
      if (!e.is_regular_file() || e.path().parent_path() == encrypted) continue;
      storedFiles.push_back(e.path());
      bytes += e.file_size();
    }
  }

  void Generate() {
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
    options.iterations = 10'000;
    options.dpIterations = 10'000'000;
    fixtures::EncryptBackup(dir / "plain", encrypted, options);
    fs::remove_all(dir / "plain");
  }
};

BenchBackup& Backup() {
  static BenchBackup backup;
  return backup;
}

void BM_DecryptBackup(benchmark::State& state) {
  BenchBackup& backup = Backup();
  DecryptionToolPaths paths{VESMAR_TOOL_PATH, backup.dir / "app" / "tool", backup.dir / "out"};
  for (auto _ : state) {
    ScanSession session;
    session.stepWidth = 10;
    DecryptionOutput output;
    if (RunDecryptionTool(paths, backup.encrypted, u"bench password", session, output) != 0)
      state.SkipWithError("decryption failed");
    state.PauseTiming();
    DeleteFilesIn(paths.output);
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * backup.bytes));
}

void BM_KeyDerivation(benchmark::State& state) {
  ManifestPlist plist;
  ReadManifestPlist(Backup().encrypted, plist);
  const auto keybag = decrypt::ParseKeybag(plist.backupKeyBag);
  decrypt::Key256 key;
  for (auto _ : state) benchmark::DoNotOptimize(decrypt::DerivePasscodeKey(*keybag, kPassword, key));
}

// The floor: the same key derivation, then the stored files copied flat into a folder.
void BM_KeyDerivationPlusCopy(benchmark::State& state) {
  BenchBackup& backup = Backup();
  ManifestPlist plist;
  ReadManifestPlist(backup.encrypted, plist);
  const auto keybag = decrypt::ParseKeybag(plist.backupKeyBag);
  const fs::path out = backup.dir / "copy";
  CreateFolders(out);
  decrypt::Key256 key;
  for (auto _ : state) {
    benchmark::DoNotOptimize(decrypt::DerivePasscodeKey(*keybag, kPassword, key));
    CopyFileReplacing(backup.encrypted / "Manifest.db", out / "Manifest.db");
    for (const auto& file : backup.storedFiles) CopyFileReplacing(file, out / file.filename());
    state.PauseTiming();
    DeleteFilesIn(out);
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * backup.bytes));
}

BENCHMARK(BM_DecryptBackup)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_KeyDerivationPlusCopy)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_KeyDerivation)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// Prints the ratio of the decryption to its floor after the table.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  RatioReporter() : ConsoleReporter(isatty(fileno(stdout)) ? OO_ColorTabular : OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const auto& run : runs) times_[run.benchmark_name()] = run.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    const double decrypt = Find("BM_DecryptBackup"), floor = Find("BM_KeyDerivationPlusCopy"),
                 kdf = Find("BM_KeyDerivation/");
    if (decrypt > 0 && floor > 0)
      std::printf("stored (encrypted) bytes: %.1f MB; decryption / (key derivation + copy) = %.3f\n", Backup().bytes / 1e6,
                  decrypt / floor);
    if (decrypt > 0 && floor > kdf && kdf > 0)
      std::printf("without the key derivation: file decryption / copy = %.3f\n", (decrypt - kdf) / (floor - kdf));
  }

 private:
  double Find(const std::string& prefix) const {
    for (const auto& [name, time] : times_)
      if (name.rfind(prefix, 0) == 0) return time;
    return 0;
  }
  std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
