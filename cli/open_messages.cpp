#include "cli/open_messages.h"

#include <sqlite3.h>

#include <cstring>

#include "recovery/decryption_runner.h"
#include "recovery/result_codes.h"

namespace vesmar::cli {

std::string OpenFailureText(int code, const std::filesystem::path& folder) {
  const std::string where = folder.string();
  switch (code) {
    case result::kInvalid:
      return "no manifest (Manifest.db or Manifest.mbdb) in " + where + ": not a backup folder, or an incomplete one";
    case result::kManifestUnreadable:
      return "the manifest Manifest.mbdb in " + where + " cannot be read";
    case result::kManifestQueryFailed:
      return "the manifest Manifest.db in " + where + " is damaged (its file table cannot be read)";
    case result::kWrongPassword:
      return "wrong backup password";
    case result::kStopped:
      return "stopped";
    case kDecryptionFailed:
      return "the encrypted backup in " + where + " cannot be decrypted: its Manifest.plist, keybag or manifest is damaged";
    case kDecryptionOutputFailed:
      return "the decrypted copy of " + where + " cannot be written: not enough free space, or no permission";
    case result::kDeviceGone:
      return "no device is connected, or it stopped answering";
    default:
      break;
  }
  if (code > 0 && code < 256 && code != SQLITE_OK)
    return "the manifest in " + where + " cannot be opened (" + sqlite3_errstr(code) + ", code " +
           std::to_string(code) + ")";
  return "the backup cannot be opened (error " + std::to_string(code) + ": " + std::strerror(code > 0 ? code : 0) + ")";
}

}  // namespace vesmar::cli
