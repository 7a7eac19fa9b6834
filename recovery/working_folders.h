// The per-user folders the program works in.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

namespace vesmar {

// The application's own folder: <app data>/VesmariOSRecovery/, created on demand.
std::filesystem::path AppFolder();
bool EnsureAppFolder();

// Where device backups, working copies and decryption output go: a folder of the program's own
// (kTempBackupFolderName), whose files the clean-ups delete. Computed once per process: on the
// app folder's volume when it has more than 15 GiB free, else on the writable storage volume
// with the most free space (earliest on ties); empty when none qualifies. An absolute path in
// $VESMAR_TEMP_BACKUP_ROOT replaces the choice of the folder it goes in.
const std::filesystem::path& TempBackupRoot();
inline constexpr const char* kTempBackupFolderName = "Vesmar_tmp_backup";

// Name of the decryption output folder inside TempBackupRoot.
inline constexpr const char* kDecryptionFolderName = "VesmarBackupPath";

// Three fixed files the preview writes into the app folder.
std::vector<std::filesystem::path> PreviewTempFiles();
void DeletePreviewTempFiles();

inline constexpr std::uint64_t kTempBackupMinFree = 16'106'127'360ull;  // 15 GiB

// The choice behind TempBackupRoot, with the file system queries passed in.
std::filesystem::path ChooseTempBackupRoot(
    const std::filesystem::path& appDataFolder,
    const std::function<std::optional<std::uint64_t>(const std::filesystem::path&)>& freeBytes,
    const std::vector<std::filesystem::path>& storageMounts,
    const std::function<bool(const std::filesystem::path&)>& writable);

}  // namespace vesmar
