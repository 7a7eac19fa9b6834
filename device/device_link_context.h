// What the device-link loop and its file transfers share with the driver that runs them.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>

#include "recovery/progress.h"

namespace vesmar {

// How long the exchange waits for a device. Every wait on the library is cut into slices of
// `sliceMs`, between which a stop request is seen: that slice bounds how late a stop takes effect.
struct LinkTimings {
  unsigned sliceMs = 100;
  unsigned messageWaitMs = 10000;  // one wait for the next message
  unsigned idlePauseMs = 3000;     // pause after a wait that brought nothing
  int idleLimit = 10;              // the wait after this many empty ones gives up
  // Silence in the middle of a file transfer after which the device counts as gone: as long as
  // the loop would wait for a silent device between messages.
  unsigned rawSilenceMs = 11 * (10000 + 3000);
};

struct LinkContext {
  std::atomic<int>* stopRequests = nullptr;
  std::atomic<double>* overallProgress = nullptr;
  ProgressCallback callback = nullptr;
  void* user = nullptr;
  int weight = 0;
  // Whether the device is still listed by the USB multiplexer; unset means assume it is.
  std::function<bool()> devicePresent;
  LinkTimings timings;

  bool StopRequested() const { return stopRequests && stopRequests->load() > 0; }
  void RequestStop() const {
    if (stopRequests) stopRequests->fetch_add(1);
  }
  bool DevicePresent() const { return !devicePresent || devicePresent(); }
};

// Sleeps up to `ms`, waking early when a stop is requested. True when it slept the whole time.
bool PauseUnlessStopped(const LinkContext& context, unsigned ms);

}  // namespace vesmar
