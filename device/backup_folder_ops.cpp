#include "device/backup_folder_ops.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>

namespace vesmar {

namespace fs = std::filesystem;

namespace {

constexpr std::int64_t kMacEpochOffset = 978307200;  // 1970-01-01 to 2001-01-01 in seconds

int ErrnoOf(const std::error_code& ec) { return ec.value() ? ec.value() : EIO; }

FolderOpStatus Refused() { return FolderOpStatus::FromErrno(EACCES); }

// Removes a folder with its content or a single entry; ENOENT when nothing was there.
int RemoveEntry(const fs::path& path) {
  std::error_code ec;
  const auto st = fs::symlink_status(path, ec);
  if (ec || !fs::exists(st)) return ENOENT;
  if (fs::is_directory(st)) {
    fs::remove_all(path, ec);
  } else {
    fs::remove(path, ec);
  }
  return ec ? ErrnoOf(ec) : 0;
}

int CopyOneFile(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
  return ec ? ErrnoOf(ec) : 0;
}

}  // namespace

std::optional<fs::path> ResolveDeviceName(const fs::path& root, std::string_view name) {
  // Without a root a name would be taken from the current folder, wherever that is.
  if (root.empty() || name.empty() || name.front() == '/' || name.find('\0') != std::string_view::npos)
    return std::nullopt;
  const fs::path relative(name);
  for (const auto& part : relative)
    if (part == "..") return std::nullopt;
  return root / relative;
}

std::int64_t DeviceErrorCode(int error) {
  if (error == ENOENT) return -6;
  if (error == EEXIST) return -7;
  return -static_cast<std::int64_t>(error);
}

std::string ErrorText(int error) { return std::strerror(error); }

FolderOpStatus CreateDeviceDirectory(const fs::path& root, std::string_view name) {
  const auto path = ResolveDeviceName(root, name);
  if (!path) return Refused();
  std::error_code ec;
  fs::create_directories(*path, ec);
  if (ec) return FolderOpStatus::FromErrno(ErrnoOf(ec));
  return {};
}

FolderOpStatus MoveDeviceItems(const fs::path& root, plist_t renames) {
  if (!renames || plist_get_node_type(renames) != PLIST_DICT) return {-1, "Could not create dict iterator"};
  plist_dict_iter iter = nullptr;
  plist_dict_new_iter(renames, &iter);
  if (!iter) return {-1, "Could not create dict iterator"};
  FolderOpStatus status;
  while (true) {
    char* key = nullptr;
    plist_t value = nullptr;
    plist_dict_next_item(renames, iter, &key, &value);
    if (!key) break;
    const std::string oldName(key);
    std::free(key);
    const auto newName = PlistText(value);
    if (!newName) continue;
    const auto from = ResolveDeviceName(root, oldName);
    const auto to = ResolveDeviceName(root, *newName);
    if (!from || !to) {
      status = Refused();
      break;
    }
    RemoveEntry(*to);
    std::error_code ec;
    fs::create_directories(to->parent_path(), ec);
    fs::rename(*from, *to, ec);
    if (ec) {
      std::fprintf(stderr, "Renaming '%s' to '%s' failed: %s (%d)\n", from->c_str(), to->c_str(),
                   ErrorText(ErrnoOf(ec)).c_str(), ErrnoOf(ec));
      status = FolderOpStatus::FromErrno(ErrnoOf(ec));
      break;
    }
  }
  std::free(iter);
  return status;
}

FolderOpStatus RemoveDeviceItems(const fs::path& root, plist_t names) {
  FolderOpStatus status;
  for (std::uint32_t i = 0; i < PlistSize(names); ++i) {
    const auto name = PlistText(PlistItem(names, i));
    if (!name) continue;
    const auto path = ResolveDeviceName(root, *name);
    if (!path) {
      status = Refused();
      continue;
    }
    const int error = RemoveEntry(*path);
    if (error != 0 && error != ENOENT) status = FolderOpStatus::FromErrno(error);
  }
  return status;
}

FolderOpStatus CopyDeviceItem(const fs::path& root, std::string_view from, std::string_view to) {
  const auto source = ResolveDeviceName(root, from);
  const auto target = ResolveDeviceName(root, to);
  if (!source || !target) return Refused();
  std::error_code ec;
  const auto st = fs::symlink_status(*source, ec);
  if (fs::is_directory(st)) {
    fs::create_directories(*target, ec);
    if (ec) return FolderOpStatus::FromErrno(ErrnoOf(ec));
    int error = 0;
    fs::directory_iterator it(*source, ec);
    if (ec) return FolderOpStatus::FromErrno(ErrnoOf(ec));
    for (; it != fs::directory_iterator(); it.increment(ec)) {
      std::error_code e;
      if (!it->is_regular_file(e)) continue;
      if (const int rc = CopyOneFile(it->path(), *target / it->path().filename()); rc != 0) error = rc;
    }
    if (ec) error = ErrnoOf(ec);
    return error ? FolderOpStatus::FromErrno(error) : FolderOpStatus{};
  }
  if (!fs::is_regular_file(st)) return FolderOpStatus::FromErrno(ENOENT);
  const int error = CopyOneFile(*source, *target);
  return error ? FolderOpStatus::FromErrno(error) : FolderOpStatus{};
}

PlistPtr ListDeviceDirectory(const fs::path& root, std::string_view name, FolderOpStatus& status) {
  PlistPtr listing(plist_new_dict());
  status = {};
  const auto folder = ResolveDeviceName(root, name);
  if (!folder) {
    status = Refused();
    return listing;
  }
  std::error_code ec;
  for (fs::directory_iterator it(*folder, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
    const fs::directory_entry& entry = *it;
    struct stat st {};
    const char* type = "DLFileTypeUnknown";
    std::uint64_t size = 0;
    std::int64_t mtime = kMacEpochOffset;
    if (::lstat(entry.path().c_str(), &st) == 0) {
      if (S_ISDIR(st.st_mode)) type = "DLFileTypeDirectory";
      else if (S_ISREG(st.st_mode)) type = "DLFileTypeRegular";
      size = static_cast<std::uint64_t>(st.st_size);
      mtime = st.st_mtime;
    }
    plist_t info = plist_new_dict();
    plist_dict_set_item(info, "DLFileType", plist_new_string(type));
    plist_dict_set_item(info, "DLFileSize", plist_new_uint(size));
    plist_dict_set_item(info, "DLFileModificationDate",
                        plist_new_date(static_cast<std::int32_t>(mtime - kMacEpochOffset), 0));
    plist_dict_set_item(listing.get(), entry.path().filename().c_str(), info);
  }
  return listing;
}

}  // namespace vesmar
