// How long the file collection takes on a large backup, and how fast single files are copied.
#include <benchmark/benchmark.h>

#include <fstream>

#include "recovery/collect_steps.h"
#include "recovery/file_copy.h"
#include "recovery/manifest.h"
#include "recovery/media_type.h"
#include "tests/fixtures/backup_builder.h"
#include "tests/fixtures/media_samples.h"
#include "tests/fixtures/temp_dir.h"

namespace vesmar {
namespace {

namespace fs = std::filesystem;

// A backup of 30,000 entries, as a well-used phone has: one in ten is a stored media file of an
// app, the camera roll or the message attachments; the rest are listed files that are absent.
struct LargeBackup {
  fixtures::TempDir dir;
  fixtures::BackupBuilder builder{dir / "backup", fixtures::ManifestFormat::Db};
  ManifestEntries entries;

  LargeBackup() {
    const std::string jpeg = fixtures::MediaBytes(fixtures::MediaSample::JpegExif, 4096);
    for (int i = 0; i < 30000; ++i) {
      const std::string n = std::to_string(i);
      const bool stored = i % 10 == 0;
      const char* domain = i % 3 == 0 ? "CameraRollDomain" : i % 3 == 1 ? "AppDomain-com.example.app" : "MediaDomain";
      const std::string path = i % 3 == 0 ? "Media/DCIM/100APPLE/IMG_" + n + ".JPG"
                               : i % 3 == 1 ? "Documents/cache/" + n
                                            : "Library/SMS/Attachments/0a/" + n + "/IMG.jpeg";
      if (stored) {
        builder.AddFile(domain, path, jpeg);
      } else {
        builder.AddEntry(domain, path);
      }
    }
    builder.Write();
    ReadManifestDb(builder.folder() / "Manifest.db", entries);
  }
};

LargeBackup& Backup() {
  static LargeBackup backup;
  return backup;
}

void BM_CollectAppFiles(benchmark::State& state) {
  auto& b = Backup();
  const CollectSource source{state.range(0) != 0, b.builder.folder(), true};
  for (auto _ : state) {
    ScanSession session;
    session.stepWidth = 10;
    AppFileList apps;
    MediaFileList whatsApp;
    CollectAppFilesStep(session, b.entries, source, apps, whatsApp);
    benchmark::DoNotOptimize(apps.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(b.entries.size()));
}
BENCHMARK(BM_CollectAppFiles)->ArgName("device")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_CollectCameraRoll(benchmark::State& state) {
  auto& b = Backup();
  const CollectSource source{false, b.builder.folder(), true};
  for (auto _ : state) {
    ScanSession session;
    session.stepWidth = 10;
    MediaFileList roll, stream;
    CollectCameraRollStep(session, b.entries, source, roll, stream);
    benchmark::DoNotOptimize(roll.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(b.entries.size()));
}
BENCHMARK(BM_CollectCameraRoll)->Unit(benchmark::kMillisecond);

void BM_CopyOut(benchmark::State& state) {
  fixtures::TempDir dir;
  const std::size_t size = static_cast<std::size_t>(state.range(0));
  {
    std::ofstream out(dir / "source", std::ios::binary);
    std::string chunk(1 << 20, 'v');
    for (std::size_t done = 0; done < size; done += chunk.size()) out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
  }
  for (auto _ : state) {
    CopyOut(dir / "source", dir / "out" / "copy", nullptr, nullptr);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(size));
}
BENCHMARK(BM_CopyOut)->Arg(64 << 20)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vesmar

BENCHMARK_MAIN();
