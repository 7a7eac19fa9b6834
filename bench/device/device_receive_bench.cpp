// The device backup's receive path: a backup streamed by the simulated device over the
// multiplexer socket, through the real device library, onto disk. Throughput and how much the
// process's peak memory grows (the data moves in 32 KiB pieces; it must stay flat). Also how
// long a stop request takes to end an exchange with a silent device.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <thread>

#include "device/device_backup.h"
#include "tests/device/fake/fake_device.h"
#include "tests/fixtures/temp_dir.h"

namespace vesmar {
namespace {

long PeakRssKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// Uploads `totalMiB` as files of 64 MiB (the last one smaller), in batches of four.
std::function<void(fake::BackupPeer&)> SyntheticBackup(std::uint64_t totalMiB) {
  return [totalMiB](fake::BackupPeer& peer) {
    const std::string udid = PlistText(plist_dict_get_item(peer.request(), "TargetIdentifier")).value_or("");
    peer.CreateDirectory(udid);
    const std::uint64_t total = totalMiB << 20, fileSize = 64u << 20;
    std::vector<fake::UploadItem> batch;
    int index = 0;
    for (std::uint64_t sent = 0; sent < total; sent += fileSize) {
      auto counter = std::make_shared<std::uint64_t>(0);
      batch.push_back({udid + "/" + std::to_string(index % 256) + "/file" + std::to_string(index),
                       std::min(fileSize, total - sent), [counter](char* buffer, std::size_t n) {
                         for (std::size_t i = 0; i < n; i += 64) buffer[i] = static_cast<char>((*counter)++);
                       }});
      ++index;
      if (batch.size() == 4 || sent + fileSize >= total) {
        peer.UploadItems(batch, 100.0 * static_cast<double>(sent) / static_cast<double>(total));
        batch.clear();
      }
    }
    peer.Finish(0);
  };
}

void BM_DeviceBackupReceive(benchmark::State& state) {
  const auto mib = static_cast<std::uint64_t>(state.range(0));
  fake::FakeDeviceConfig config;
  config.onBackup = SyntheticBackup(mib);
  fake::FakeDevice device(config);
  auto& driver = CDeviceBackup::GetInstance();
  long growth = 0;
  for (auto _ : state) {
    state.PauseTiming();
    fixtures::TempDir root;
    bool willEncrypt = false;
    if (driver.Connect(willEncrypt) != 0) {
      state.SkipWithError("cannot connect to the simulated device");
      break;
    }
    const long before = PeakRssKiB();
    state.ResumeTiming();
    const int rc = driver.Backup(root.path(), "");
    state.PauseTiming();
    growth = std::max(growth, PeakRssKiB() - before);
    driver.Disconnect();
    if (rc != 0) state.SkipWithError("backup failed");
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * (mib << 20)));
  state.counters["peak_rss_growth_KiB"] = static_cast<double>(growth);
  state.counters["peak_rss_KiB"] = static_cast<double>(PeakRssKiB());
}
BENCHMARK(BM_DeviceBackupReceive)->Arg(1024)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

// From the stop request to the end of Backup, with a device that sends nothing, at the
// driver's own timings (the library's receives would wait 30 s).
void BM_StopLatencySilentDevice(benchmark::State& state) {
  std::atomic<bool> release{false};
  fake::FakeDeviceConfig config;
  config.onBackup = [&release](fake::BackupPeer&) {
    while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  };
  fake::FakeDevice device(config);
  auto& driver = CDeviceBackup::GetInstance();
  driver.SetTimings(DeviceTimings{});
  double longest = 0;
  int round = 0;
  for (auto _ : state) {
    fixtures::TempDir root;
    bool willEncrypt = false;
    if (driver.Connect(willEncrypt) != 0) {
      state.SkipWithError("cannot connect to the simulated device");
      break;
    }
    // Requests fall at different points of the driver's waits.
    const auto delay = std::chrono::milliseconds(500 + (round++ * 37) % 300);
    std::chrono::steady_clock::time_point requested;
    std::thread stopper([&requested, delay] {
      std::this_thread::sleep_for(delay);
      requested = std::chrono::steady_clock::now();
      StopRequests.fetch_add(1);
    });
    driver.Backup(root.path(), "");
    const auto ended = std::chrono::steady_clock::now();
    stopper.join();
    const double seconds = std::chrono::duration<double>(ended - requested).count();
    longest = std::max(longest, seconds);
    state.SetIterationTime(seconds);
    driver.Disconnect();
  }
  state.counters["longest_ms"] = longest * 1000;
  release = true;
}
BENCHMARK(BM_StopLatencySilentDevice)->Iterations(16)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vesmar

BENCHMARK_MAIN();
