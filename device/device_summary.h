// What each connected device says about itself, read without opening its backup service or
// taking its sync lock: for listing devices.
#pragma once

#include <string>
#include <vector>

namespace vesmar {

struct DeviceSummary {
  std::string udid;
  std::string name, deviceClass, productType, productVersion;
  bool willEncrypt = false;
  int error = 0;  // nonzero when the device could not be asked (e.g. not paired): the lockdown code
};

// The USB-connected devices in the multiplexer's order; empty when none (or no multiplexer).
std::vector<DeviceSummary> ListConnectedDevices();

}  // namespace vesmar
