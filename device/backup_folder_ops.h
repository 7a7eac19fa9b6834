// What the device may do to the backup folder through device-link messages: create, move,
// remove, copy and list entries. Every name the device sends is resolved under the backup root.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "device/plist_ptr.h"

namespace vesmar {

// root/name for a name the device sent, or nothing when the name could leave the root: empty,
// absolute, holding a ".." component or a NUL byte; nothing either when there is no root.
std::optional<std::filesystem::path> ResolveDeviceName(const std::filesystem::path& root, std::string_view name);

// The code the device expects for a C library error number: ENOENT -6, EEXIST -7, others -errno.
std::int64_t DeviceErrorCode(int error);
std::string ErrorText(int error);

// Outcome of one operation, as it goes into the status response.
struct FolderOpStatus {
  std::int64_t code = 0;  // 0 = done
  std::string description;
  static FolderOpStatus FromErrno(int error) { return {DeviceErrorCode(error), ErrorText(error)}; }
};

// Creates root/name with its missing parents.
FolderOpStatus CreateDeviceDirectory(const std::filesystem::path& root, std::string_view name);
// Moves each old name to its new name (a dictionary); an existing target is replaced. Stops at
// the first failure.
FolderOpStatus MoveDeviceItems(const std::filesystem::path& root, plist_t renames);
// Removes each named entry (an array), folders with their content. Missing entries are not an
// error; other failures are reported (the last one) and the walk goes on.
FolderOpStatus RemoveDeviceItems(const std::filesystem::path& root, plist_t names);
// Copies a file, or the files directly inside a folder, to the target name.
FolderOpStatus CopyDeviceItem(const std::filesystem::path& root, std::string_view from, std::string_view to);
// { name: { DLFileType, DLFileSize, DLFileModificationDate } } for root/name; an empty dictionary
// when the folder cannot be read.
PlistPtr ListDeviceDirectory(const std::filesystem::path& root, std::string_view name, FolderOpStatus& status);

}  // namespace vesmar
