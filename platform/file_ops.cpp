#include "platform/file_ops.h"

#include <cerrno>
#include <fstream>
#include <system_error>

namespace vesmar {

namespace fs = std::filesystem;

bool FileExists(const fs::path& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

bool FolderExists(const fs::path& path) {
  std::error_code ec;
  return fs::is_directory(path, ec);
}

std::optional<std::uint64_t> FileSize(const fs::path& path) {
  std::error_code ec;
  const auto size = fs::file_size(path, ec);
  if (ec) return std::nullopt;
  return static_cast<std::uint64_t>(size);
}

bool CreateFolders(const fs::path& folder) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  return fs::is_directory(folder, ec);
}

void DeleteFilesIn(const fs::path& folder) {
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  if (ec) return;
  for (const auto& entry : it) {
    std::error_code e;
    if (entry.is_regular_file(e) || entry.is_symlink(e)) fs::remove(entry.path(), e);
  }
}

bool DeleteFileIfPresent(const fs::path& file) {
  std::error_code ec;
  fs::remove(file, ec);
  return !fs::exists(fs::symlink_status(file, ec));
}

bool RemoveFolderTree(const fs::path& folder) {
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  if (ec) return false;
  for (const auto& entry : it) {
    std::error_code e;
    const auto st = entry.symlink_status(e);
    if (e) return false;
    if (fs::is_directory(st)) {
      if (!RemoveFolderTree(entry.path())) return false;
    } else if (!fs::remove(entry.path(), e) || e) {
      return false;
    }
  }
  return fs::remove(folder, ec) && !ec;
}

int CopyFileReplacing(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
  if (!ec) return 0;
  return ec.value() ? ec.value() : EIO;
}

std::optional<std::string> ReadWholeFile(const fs::path& path, std::uint64_t limit) {
  const auto size = FileSize(path);
  if (!size || *size > limit) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string data(static_cast<std::size_t>(*size), '\0');
  in.read(data.data(), static_cast<std::streamsize>(data.size()));
  data.resize(static_cast<std::size_t>(in.gcount()));
  return data;
}

}  // namespace vesmar
