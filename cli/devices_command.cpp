// The device commands: "devices" lists what is connected; "scan --device" backs the connected
// device up and scans the backup.
#include <signal.h>

#include <atomic>
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "cli/json_records.h"
#include "cli/progress_display.h"
#include "cli/terminal_text.h"
#include "device/device_backup.h"
#include "device/device_summary.h"
#include "platform/text.h"
#include "recovery/parser_factory.h"
#include "recovery/result_codes.h"

namespace vesmar::cli {

namespace {

constexpr const char* kDevicesUsage = "usage: vesmar-cli devices [--json]\n";

std::atomic<bool> interrupted{false};

extern "C" void OnInterrupt(int) {
  interrupted.store(true);
  StopRequests.fetch_add(1);  // ends a running device exchange within a fraction of a second
}

struct DeviceProgress {
  ProgressDisplay* display;
  static int Callback(void* user, int percent) {
    ProgressDisplay::Callback(static_cast<DeviceProgress*>(user)->display, percent);
    return interrupted.load() ? result::kStopped : 0;
  }
};

// What the device calls itself, for the terminal.
std::string Description(const std::string& name, const std::string& cls, const std::string& version) {
  return TerminalText(name + " (" + cls + (version.empty() ? "" : " ") + version + ")");
}

std::string OpenFailure(int code) {
  if (code == result::kStopped) return "stopped";
  if (code == result::kDeviceGone) return "the device backup ended early: the device stopped answering, was unplugged or cancelled it";
  if (code == result::kInvalid) return "no folder for the device backup could be made (TempBackupRoot)";
  return "the device backup failed (error " + std::to_string(code) + ")";
}

}  // namespace

int DevicesCommand(const Args& args) {
  bool json = false;
  for (const auto& a : args) {
    if (a != "--json") {
      std::fputs(kDevicesUsage, stderr);
      return kExitUsage;
    }
    json = true;
  }
  const auto devices = ListConnectedDevices();
  if (json) {
    nlohmann::ordered_json doc = nlohmann::ordered_json::array();
    for (const auto& d : devices) {
      nlohmann::ordered_json item = {{"udid", d.udid},
                                     {"name", d.name},
                                     {"class", d.deviceClass},
                                     {"productType", d.productType},
                                     {"productVersion", d.productVersion},
                                     {"backupsEncrypted", d.willEncrypt}};
      if (d.error != 0) item["error"] = d.error;
      doc.push_back(item);
    }
    std::cout << JsonText(doc, 2) << '\n';
  } else if (devices.empty()) {
    std::fputs("No device connected.\n", stdout);
  }
  for (const auto& d : devices) {
    if (json) break;
    if (d.error != 0) {
      std::printf("%s  (cannot be read: error %d; unlock the device and trust this computer)\n",
                  TerminalText(d.udid).c_str(), d.error);
      continue;
    }
    std::printf("%s  %s  backups encrypted: %s\n", TerminalText(d.udid).c_str(),
                Description(d.name, d.deviceClass, d.productVersion).c_str(), d.willEncrypt ? "yes" : "no");
  }
  return devices.empty() ? kExitFailure : kExitOk;
}

int ScanDevice(const std::optional<std::string>& password, bool json, ScanResults& results, int& scanned) {
  ::signal(SIGPIPE, SIG_IGN);
  interrupted = false;
  struct sigaction action {};
  action.sa_handler = &OnInterrupt;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);

  auto fail = [json](int code, const std::string& why, int exitCode) {
    std::fprintf(stderr, "vesmar-cli: %s\n", why.c_str());
    if (json) std::cout << JsonText(ScanFailureJson(code, why), 2) << '\n';
    return exitCode;
  };

  auto& driver = CDeviceBackup::GetInstance();
  bool willEncrypt = false;
  if (const int rc = driver.Connect(willEncrypt); rc != 0) {
    return fail(rc,
                rc == result::kDeviceGone ? "no device connected"
                                          : "cannot connect to the device (error " + std::to_string(rc) +
                                                "); unlock it and trust this computer",
                kExitFailure);
  }
  std::string name, cls, version;
  driver.GetDeviceName(name);
  driver.GetDeviceClass(cls);
  driver.GetProductVersion(version);
  std::fprintf(stderr, "Device: %s\n", Description(name, cls, version).c_str());

  if (willEncrypt) {
    // Backups of this device are encrypted: its password switches the encryption off first.
    if (!password || password->empty())
      return fail(result::kInvalid, "the device encrypts its backups: give its backup password with --password",
                  kExitUsage);
    if (const int rc = driver.ChangePassword(*password); rc == result::kDeviceGone) {
      return fail(rc, OpenFailure(rc), kExitFailure);  // gone or stopped: the password was never judged
    } else if (rc != 0) {
      return fail(rc, "the device did not accept the backup password (error " + std::to_string(rc) + ")",
                  kExitWrongPassword);
    }
  }

  auto parser = CreateParser(static_cast<int>(ScanSource::Device), nullptr);
  ProgressDisplay display(stderr);
  DeviceProgress progress{&display};
  parser->SetProgressCallback(&DeviceProgress::Callback, &progress);
  display.Note("Backing the device up...");
  const int opened = parser->Open(Utf8ToUtf16(password.value_or("")));
  if (opened != 0) {
    display.Note("");
    return fail(opened, OpenFailure(opened), kExitFailure);
  }
  scanned = RunCategorySteps(*parser, results);
  display.Finish();
  return -1;
}

}  // namespace vesmar::cli
