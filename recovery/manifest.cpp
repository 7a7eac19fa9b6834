#include "recovery/manifest.h"

#include <sqlite3.h>

#include <cstdint>
#include <string_view>

#include "platform/file_ops.h"
#include "recovery/hashed_name.h"
#include "recovery/mbdb_records.h"
#include "recovery/result_codes.h"
#include "recovery/sqlite_uri.h"

namespace vesmar {

namespace {

// A manifest of a very large backup holds a few hundred thousand records, well below this.
constexpr std::uint64_t kMaxMbdbSize = 1ull << 30;

}  // namespace

int ReadMbdbManifest(const std::filesystem::path& path, ManifestEntries& out) {
  if (path.empty()) return result::kInvalid;
  if (!FileExists(path)) return result::kManifestUnreadable;
  const auto size = FileSize(path);
  if (size && *size > kMaxMbdbSize) return result::kInvalid;
  const auto data = ReadWholeFile(path, kMaxMbdbSize);
  if (!data) return result::kManifestUnreadable;
  // A truncated record ends the walk; the entries before it stay.
  const bool magic = ForEachMbdbRecord(*data, [&out](const MbdbRecord& record) {
    const bool folder = (record.mode & 0xE000) == 0x4000;
    if (record.domain.empty() || record.relativePath.empty() || folder) return;
    std::string key = record.Key();
    std::string name = HashedName(key);
    out.push_back({std::move(key), std::move(name)});
  });
  return magic ? result::kOk : result::kInvalid;
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
