// fake-idevice: serves the simulated device to other programs until it is told to stop.
// Prints the value for USBMUXD_SOCKET_ADDRESS on its first line of output.
#include <signal.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "tests/device/fake/fake_device.h"
#include "tests/fixtures/demo_backup.h"
#include "tests/fixtures/temp_dir.h"

int main(int argc, char** argv) {
  vesmar::fake::FakeDeviceConfig config;
  vesmar::fixtures::TempDir scratch;
  std::string source;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--tls") {
      config.sessionTls = true;
    } else if (a == "--backup-from" && i + 1 < argc) {
      source = argv[++i];
    } else {
      std::fprintf(stderr, "usage: fake-idevice [--tls] [--backup-from FOLDER]\n"
                           "  serves a simulated device whose backup uploads FOLDER (default: the demo backup)\n");
      return 64;
    }
  }
  if (source.empty()) {
    vesmar::fixtures::WriteDemoBackup(scratch / "demo");
    source = (scratch / "demo").string();
  }
  config.onBackup = vesmar::fake::FullBackupFrom(source);

  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGTERM);
  sigaddset(&stop, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stop, nullptr);  // the fake's threads inherit the mask
  vesmar::fake::FakeDevice device(config);
  std::printf("%s\n", device.socketAddress().c_str());
  std::fflush(stdout);
  int signal = 0;
  sigwait(&stop, &signal);
  return 0;
}
