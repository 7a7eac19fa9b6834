#include "recovery/file_copy.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "platform/file_ops.h"
#include "platform/text.h"
#include "recovery/extension_lists.h"
#include "recovery/heif_to_jpeg.h"
#include "recovery/media_type.h"
#include "recovery/result_codes.h"
#include "recovery/working_folders.h"

namespace vesmar {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kChunkSize = 65536;

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

FilePtr OpenSource(const fs::path& path) {
  if (!FileExists(path)) return nullptr;  // directories and pipes are not copied
  return FilePtr(std::fopen(path.c_str(), "rb"));
}

int WriteErrorCode() { return errno != 0 ? errno : EIO; }

// Copies `size` bytes in chunks through one buffer, calling `afterChunk(done)` after each; its
// nonzero answer stops the copy and is returned. 0, 30 when the source ends early, or the
// error code of a failed write.
int CopyChunks(std::FILE* in, std::FILE* out, std::uint64_t size,
               const std::function<int(std::uint64_t done)>& afterChunk) {
  std::vector<char> buffer(kChunkSize);
  std::uint64_t done = 0;
  while (done < size) {
    const std::size_t chunk = static_cast<std::size_t>(std::min<std::uint64_t>(kChunkSize, size - done));
    if (std::fread(buffer.data(), 1, chunk, in) != chunk) return result::kShortRead;
    errno = 0;
    if (std::fwrite(buffer.data(), 1, chunk, out) != chunk) return WriteErrorCode();
    done += chunk;
    if (const int answer = afterChunk(done); answer != 0) return answer;
  }
  return result::kOk;
}

// Flushes and closes a written file; 0 or the error code of the failed flush.
int CloseWritten(FilePtr& file) {
  errno = 0;
  const bool failed = std::ferror(file.get()) != 0;
  const int closed = std::fclose(file.release());
  return failed || closed != 0 ? WriteErrorCode() : result::kOk;
}

int Percent(std::uint64_t done, std::uint64_t size) { return static_cast<int>(done * 100 / size); }

// The preview file for a detected extension; empty for a kind the preview does not show.
fs::path PreviewFileFor(const std::u16string& extension) {
  if (ExtensionInList(extension, kImageExtensions)) return AppFolder() / "tmp.jpg";
  if (ExtensionInList(extension, kAudioExtensions)) return AppFolder() / "tmp.wav";
  if (ExtensionInList(extension, kVideoExtensions)) return AppFolder() / "tmp.avi";
  return {};
}

int Extract(const fs::path& source, fs::path& out, PercentCallback callback, void* user) {
  std::string answer;
  DetectMediaType(source, 0, answer);
  if (answer.empty()) return result::kInvalid;
  const std::u16string extension = FoldCase(Utf8ToUtf16(AnswerExtension(answer)));
  EnsureAppFolder();

  // The preview shows JPEG, not HEIF: convert instead of copying.
  if (IsHeifExtension(extension)) {
    out = AppFolder() / "tmp.jpg";
    return ConvertHeifToJpeg(source, out);
  }

  const fs::path target = PreviewFileFor(extension);
  if (target.empty()) return result::kOk;
  FilePtr in = OpenSource(source);
  if (!in) return result::kInvalid;
  out = target;
  // Truncated: a shorter file must not keep the tail of the previous preview.
  FilePtr temp(std::fopen(target.c_str(), "wb"));
  if (!temp) return result::kInvalid;
  const std::uint64_t size = FileSize(source).value_or(0);
  int rc = CopyChunks(in.get(), temp.get(), size, [&](std::uint64_t done) {
    return callback ? callback(user, Percent(done, size)) : 0;
  });
  const int closed = CloseWritten(temp);
  return rc != 0 ? rc : closed;
}

int Copy(const fs::path& source, const fs::path& destination, ItemCallback callback, void* user) {
  CreateFolders(destination.parent_path());
  std::error_code ec;
  // Only a new or regular file is written: never a device or pipe, and never the source itself,
  // which would truncate a file of the user's backup.
  if (fs::exists(destination, ec) &&
      (!fs::is_regular_file(destination, ec) || fs::equivalent(source, destination, ec)))
    return result::kInvalid;
  FilePtr in = OpenSource(source);
  if (!in) return result::kInvalid;
  const auto size = FileSize(source);
  if (!size) return result::kInvalid;
  FilePtr out(std::fopen(destination.c_str(), "wb"));
  if (!out) return result::kInvalid;
  if (*size == 0) return CloseWritten(out);
  int rc = CopyChunks(in.get(), out.get(), *size, [&](std::uint64_t done) {
    return callback ? callback(user, Percent(done, *size), result::kOk, destination) : 0;
  });
  const int closed = CloseWritten(out);
  if (rc == 0) rc = closed;
  if (rc != 0) DeleteFileIfPresent(destination);  // never leave a partial copy that looks whole
  return rc;
}

}  // namespace

int ExtractForPreview(const fs::path& source, fs::path& out, PercentCallback callback, void* user) {
  out.clear();
  const int rc = Extract(source, out, callback, user);
  if (callback) callback(user, 100);
  return rc;
}

int CopyOut(const fs::path& source, const fs::path& destination, ItemCallback callback, void* user) {
  const int rc = Copy(source, destination, callback, user);
  if (rc > 0 && callback) callback(user, 100, rc, destination);
  return rc;
}

}  // namespace vesmar
