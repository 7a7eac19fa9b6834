// The exchange that follows a "Backup" or "ChangePassword" request: the device sends
// device-link messages, the computer carries each out on the backup folder and answers.
#pragma once

#include <filesystem>

#include "device/device_link_channel.h"
#include "device/device_link_context.h"

namespace vesmar {

// Runs the exchange until the device disconnects or reports its result. `root` is the folder
// the device's names are resolved under; empty for a request that moves no files (file
// transfers, listings and folder creation are then ignored). Returns 0, -1 (stopped, device
// silent or gone), minus the device's error code, the code of a failed status reply, or the
// progress callback's nonzero answer.
int RunDeviceLinkLoop(IDeviceLinkChannel& channel, const std::filesystem::path& root, const LinkContext& context);

}  // namespace vesmar
