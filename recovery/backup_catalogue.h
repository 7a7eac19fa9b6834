// Facts about backup folders: their Info.plist, whether they are encrypted, their dates.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "recovery/backup_entry.h"

namespace vesmar {

// The folder where the backups of the current user are kept.
std::filesystem::path CatalogueRoot();

// Full paths of the entries of `root` (folders and files alike) whose names do not begin with
// ".", in directory order; empty when the root cannot be read.
std::vector<std::filesystem::path> CatalogueFolders(const std::filesystem::path& root);

// Replaces `entry` with what folder/Info.plist (XML or binary) says; keys it lacks leave their
// fields empty. 0, or 87 (entry unchanged) when there is no readable Info.plist.
int ReadBackupFolder(const std::filesystem::path& folder, BackupEntry& entry);

// 1 when the backup is encrypted, else 0: IsEncrypted of its Manifest.plist when that says so,
// otherwise whether its address book exists and is not a plain SQLite file.
int IsEncryptedBackup(const std::filesystem::path& folder);

// "YYYY-MM-DD hh:mm:ss" taken as UTC, shifted to the zone's standard time (daylight saving is
// not applied). Empty when the text does not have that shape.
std::string ConvertBackupDate(std::string_view utcText);

// Entries of `folders` with a readable Info.plist, newest backup first.
std::vector<BackupEntry> ListBackupFolders(const std::vector<std::filesystem::path>& folders);

}  // namespace vesmar
