// What the program and its decryption tool agree on: the tool's command line, the texts it
// prints, the files it leaves and its exit statuses.
#pragma once

namespace vesmar::decryption {

// The tool is called as: tool <backup folder> <output folder> <password>. A password argument of
// exactly "-" means: read the password from the first line of standard input, so that it never
// shows in the process list.
inline constexpr const char* kPasswordFromInput = "-";

// Progress lines "Count: N" (files done so far) and the wrong-password text, on standard output.
inline constexpr const char* kCountText = "Count:";
inline constexpr const char* kWrongPasswordText = "Wrong password";

// The plain copy of a Manifest.db, written into the output folder.
inline constexpr const char* kDecryptedManifestName = "Manifest.db-decypted";

// Exit statuses of the tool.
inline constexpr int kExitOk = 0;
inline constexpr int kExitWrongPassword = 2;
inline constexpr int kExitUnreadableBackup = 3;  // no usable Manifest.plist, keybag or manifest
inline constexpr int kExitCannotWrite = 4;       // the output folder cannot take the plain files
inline constexpr int kExitUsage = 64;

}  // namespace vesmar::decryption
