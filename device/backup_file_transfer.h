// Files moving between the backup folder and the device on the backup service's raw stream.
// Names are length-prefixed; file data comes in blocks of a 4-byte length (counting the code
// byte), a code byte and the payload, all integers big-endian.
#pragma once

#include <cstdint>
#include <filesystem>

#include "device/device_link_channel.h"
#include "device/device_link_context.h"

namespace vesmar {

inline constexpr std::uint32_t kMaxTransferName = 4096;
inline constexpr std::uint32_t kTransferPiece = 32768;

enum BlockCode : std::uint8_t {
  kBlockSuccess = 0x00,
  kBlockLocalError = 0x06,
  kBlockRemoteError = 0x0B,
  kBlockFileData = 0x0C,
};

// "DLMessageUploadFiles": takes the files the device sends into `root`, creating missing parent
// folders. A file that cannot be written (or whose name is refused) is still read off the
// stream, so the exchange stays in step, and is reported in a "Multi status" reply. Returns the
// number of files written. A stop request or a device that is gone ends it early.
int ReceiveFiles(IDeviceLinkChannel& channel, const std::filesystem::path& root, const LinkContext& context);

// "DLMessageDownloadFiles": sends each named file of `names` (an array) from `root`, then the
// end of the list and the status ("Multi status" with the failed name when one failed; the list
// stops at the first failure).
void SendFiles(IDeviceLinkChannel& channel, const std::filesystem::path& root, plist_t names);

}  // namespace vesmar
