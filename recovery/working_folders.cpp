#include "recovery/working_folders.h"

#include <unistd.h>

#include <cstdlib>
#include <system_error>

#include "platform/file_ops.h"
#include "platform/folders.h"
#include "platform/volumes.h"

namespace vesmar {

namespace fs = std::filesystem;

fs::path AppFolder() { return RoamingAppDataFolder() / "VesmariOSRecovery"; }

bool EnsureAppFolder() {
  const fs::path folder = AppFolder();
  if (!CreateFolders(folder)) return false;
  // The preview writes copies of the user's photos, videos and recordings here.
  std::error_code ec;
  fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace, ec);
  return true;
}

fs::path ChooseTempBackupRoot(const fs::path& appDataFolder,
                              const std::function<std::optional<std::uint64_t>(const fs::path&)>& freeBytes,
                              const std::vector<fs::path>& storageMounts,
                              const std::function<bool(const fs::path&)>& writable) {
  if (const auto free = freeBytes(appDataFolder); free && *free > kTempBackupMinFree)
    return appDataFolder / "VesmariOSRecovery" / kTempBackupFolderName;
  fs::path best;
  std::uint64_t bestFree = 0;
  for (const auto& mount : storageMounts) {
    // A volume we cannot write to would only fail later, in the middle of a device backup.
    if (!writable(mount)) continue;
    const auto free = freeBytes(mount);
    if (free && *free > bestFree) {
      bestFree = *free;
      best = mount;
    }
  }
  return best.empty() ? fs::path() : best / kTempBackupFolderName;
}

const fs::path& TempBackupRoot() {
  static const fs::path root = [] {
    // Examiners (and the tests) may name the working volume themselves: a device backup can
    // need tens of gigabytes, and the decrypted copy of a backup should stay where they decide.
    // The program still works in a folder of its own there: the clean-ups empty the working
    // folder and the device backup folders in it, and the chosen folder may hold anything
    // (earlier backups of the same device among it).
    fs::path own;
    if (const char* chosen = std::getenv("VESMAR_TEMP_BACKUP_ROOT"); chosen && *chosen == '/') {
      own = fs::path(chosen) / kTempBackupFolderName;
    } else {
      const fs::path appData = RoamingAppDataFolder();
      CreateFolders(appData);
      own = ChooseTempBackupRoot(
          appData, [](const fs::path& p) { return FreeBytes(p); }, StorageMountPoints(),
          [](const fs::path& p) { return access(p.c_str(), W_OK) == 0; });
    }
    if (!own.empty() && CreateFolders(own)) {
      // Device backups, working copies of their databases and decrypted copies are the user's
      // personal data: no other account of the machine may read them.
      std::error_code ec;
      fs::permissions(own, fs::perms::owner_all, fs::perm_options::replace, ec);
    }
    return own;
  }();
  return root;
}

std::vector<fs::path> PreviewTempFiles() {
  const fs::path app = AppFolder();
  return {app / "tmp.jpg", app / "tmp.avi", app / "tmp.wav"};
}

void DeletePreviewTempFiles() {
  for (const auto& file : PreviewTempFiles()) DeleteFileIfPresent(file);
}

}  // namespace vesmar
