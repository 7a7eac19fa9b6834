// Manifest.plist of a backup: whether it is encrypted, and the keys an encrypted one needs.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace vesmar {

struct ManifestPlist {
  std::optional<bool> isEncrypted;  // absent in old or damaged manifests
  std::string backupKeyBag;         // BackupKeyBag bytes (encrypted backups)
  std::string manifestKey;          // ManifestKey bytes: class (4 bytes LE) + wrapped key; iOS 10.2+
  std::string productVersion;       // Lockdown/ProductVersion
};

// Reads folder/Manifest.plist (binary or XML). 0; 87 when it is missing, too large or not a
// property list with a dictionary at its top.
int ReadManifestPlist(const std::filesystem::path& folder, ManifestPlist& out);

// IsEncrypted of folder/Manifest.plist; nullopt when the file or the key is absent or unreadable.
std::optional<bool> ManifestSaysEncrypted(const std::filesystem::path& folder);

}  // namespace vesmar
