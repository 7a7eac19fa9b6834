#include "export/unique_path.h"

#include <cerrno>
#include <string>
#include <system_error>

namespace vesmar {

namespace fs = std::filesystem;

namespace {

// Beyond this many "(n)" the folder is taken to be unusable.
constexpr int kMaxCounter = 1'000'000;
constexpr int kCreateAttempts = 64;

bool Occupied(const fs::path& path, bool& unknown) {
  std::error_code ec;
  const auto status = fs::symlink_status(path, ec);
  unknown = ec && ec != std::errc::no_such_file_or_directory;
  return unknown || fs::exists(status);
}

}  // namespace

fs::path MakeUniquePath(const fs::path& path) {
  bool unknown = false;
  if (!Occupied(path, unknown) || unknown) return path;
  const fs::path folder = path.parent_path();
  const std::string stem = path.stem().string();
  const std::string extension = path.extension().string();
  for (int n = 1; n <= kMaxCounter; ++n) {
    fs::path candidate = folder / (stem + "(" + std::to_string(n) + ")" + extension);
    if (!Occupied(candidate, unknown) || unknown) return candidate;
  }
  return path;
}

int CreateNewFile(fs::path& path, std::FILE*& file) {
  file = nullptr;
  int error = EEXIST;
  for (int attempt = 0; attempt < kCreateAttempts && error == EEXIST; ++attempt) {
    const fs::path candidate = MakeUniquePath(path);
    errno = 0;
    file = std::fopen(candidate.c_str(), "wbx");
    if (file) {
      path = candidate;
      return 0;
    }
    error = errno != 0 ? errno : EIO;
  }
  return error;
}

int ReserveNewFile(fs::path& path) {
  std::FILE* file = nullptr;
  const int created = CreateNewFile(path, file);
  if (file) std::fclose(file);
  return created;
}

void RemoveIfEmpty(const fs::path& path) {
  std::error_code ec;
  if (fs::is_regular_file(fs::symlink_status(path, ec)) && fs::file_size(path, ec) == 0 && !ec) fs::remove(path, ec);
}

int WriteDocument(fs::path& path, std::initializer_list<std::string_view> parts, bool replace) {
  std::FILE* file = nullptr;
  if (replace) {
    errno = 0;
    file = std::fopen(path.c_str(), "wb");
    if (!file) return errno != 0 ? errno : EIO;
  } else if (const int created = CreateNewFile(path, file); created != 0) {
    return created;
  }
  int error = 0;
  for (const auto part : parts) {
    if (!part.empty() && std::fwrite(part.data(), 1, part.size(), file) != part.size()) {
      error = errno != 0 ? errno : EIO;
      break;
    }
  }
  if (std::fclose(file) != 0 && error == 0) error = errno != 0 ? errno : EIO;
  return error;
}

}  // namespace vesmar
