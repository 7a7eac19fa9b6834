#include "recovery/manifest.h"

#include <sqlite3.h>

#include <cstdint>
#include <string_view>

#include "platform/file_ops.h"
#include "recovery/hashed_name.h"
#include "recovery/result_codes.h"
#include "recovery/sqlite_uri.h"

namespace vesmar {

namespace {

// A manifest of a very large backup holds a few hundred thousand records, well below this.
constexpr std::uint64_t kMaxMbdbSize = 1ull << 30;

// Cursor over the mbdb bytes; every read is checked against the end of the data.
class MbdbCursor {
 public:
  explicit MbdbCursor(std::string_view data) : data_(data) {}
  std::size_t offset() const { return pos_; }
  void Seek(std::size_t pos) { pos_ = pos; }

  bool Number(std::size_t width, std::uint64_t& value) {
    if (data_.size() - pos_ < width) return false;
    value = 0;
    for (std::size_t i = 0; i < width; ++i)
      value = (value << 8) | static_cast<unsigned char>(data_[pos_ + i]);
    pos_ += width;
    return true;
  }
  bool Skip(std::size_t width) {
    if (data_.size() - pos_ < width) return false;
    pos_ += width;
    return true;
  }
  // A 2-byte length and that many bytes; 0xFFFF stands for an absent string (read as empty).
  bool String(std::string_view& value) {
    std::uint64_t length = 0;
    if (!Number(2, length)) return false;
    value = {};
    if (length == 0xFFFF) return true;
    if (data_.size() - pos_ < length) return false;
    value = data_.substr(pos_, length);
    pos_ += length;
    return true;
  }

 private:
  std::string_view data_;
  std::size_t pos_ = 0;
};

}  // namespace

int ReadMbdbManifest(const std::filesystem::path& path, ManifestEntries& out) {
  if (path.empty()) return result::kInvalid;
  if (!FileExists(path)) return result::kManifestUnreadable;
  const auto size = FileSize(path);
  if (size && *size > kMaxMbdbSize) return result::kInvalid;
  const auto data = ReadWholeFile(path, kMaxMbdbSize);
  if (!data) return result::kManifestUnreadable;
  if (data->size() < 4 || data->compare(0, 4, "mbdb") != 0) return result::kInvalid;

  MbdbCursor in(*data);
  in.Seek(data->size() < 6 ? data->size() : 6);
  while (in.offset() < data->size()) {
    std::string_view domain, relativePath, ignored;
    std::uint64_t mode = 0, propertyCount = 0;
    bool complete = in.String(domain) && in.String(relativePath) && in.String(ignored) &&
                    in.String(ignored) && in.String(ignored) && in.Number(2, mode) &&
                    in.Skip(8 + 4 + 4 + 4 + 4 + 4 + 8 + 1) && in.Number(1, propertyCount);
    for (std::uint64_t i = 0; complete && i < propertyCount; ++i)
      complete = in.String(ignored) && in.String(ignored);
    if (!complete) break;  // truncated record: keep what came before it
    const bool folder = (mode & 0xE000) == 0x4000;
    if (!domain.empty() && !relativePath.empty() && !folder) {
      std::string key;
      key.reserve(domain.size() + 1 + relativePath.size());
      key.append(domain).append("-").append(relativePath);
      std::string name = HashedName(key);
      out.push_back({std::move(key), std::move(name)});
    }
  }
  return result::kOk;
}

int ReadManifestDb(const std::filesystem::path& path, ManifestEntries& out) {
  ManifestEntries rows;
  sqlite3* db = nullptr;
  const std::string uri = ReadOnlySqliteUri(path);
  int rc = sqlite3_open_v2(uri.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_close(db);
    out.clear();
    return rc;
  }
  int result = result::kOk;
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db, "select fileID,domain, relativePath from Files;", -1, &stmt, nullptr) !=
      SQLITE_OK) {
    result = result::kManifestQueryFailed;
  } else {
    auto text = [stmt](int column) {
      const auto* bytes = sqlite3_column_text(stmt, column);
      return bytes ? std::string(reinterpret_cast<const char*>(bytes),
                                 static_cast<std::size_t>(sqlite3_column_bytes(stmt, column)))
                   : std::string();
    };
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
      ManifestEntry entry;
      entry.fileName = text(0);
      entry.key = text(1);
      if (sqlite3_column_type(stmt, 2) != SQLITE_NULL) entry.key.append("-").append(text(2));
      rows.push_back(std::move(entry));
    }
    if (rc != SQLITE_DONE) result = result::kManifestQueryFailed;
  }
  sqlite3_finalize(stmt);
  sqlite3_close(db);
  out = std::move(rows);
  return result;
}

}  // namespace vesmar
