// Result codes shared by the recovery operations.
#pragma once

namespace vesmar::result {

inline constexpr int kOk = 0;
inline constexpr int kStopped = 2;           // a progress answer asked to stop
inline constexpr int kShortRead = 30;        // a file or source shorter than needed
inline constexpr int kInvalid = 87;          // bad argument, missing/unopenable file, failed check
inline constexpr int kWrongPassword = -110;  // encrypted backup, wrong password
inline constexpr int kDeviceGone = -1;       // device silent, missing, or a client missing
inline constexpr int kManifestUnreadable = 6009;  // Manifest.mbdb could not be opened
inline constexpr int kManifestQueryFailed = 1006; // Manifest.db query failed

}  // namespace vesmar::result
