#include "tools/decrypt/backup_decryption.h"

#include <sqlite3.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <optional>

#include "platform/file_ops.h"
#include "platform/text.h"
#include "recovery/decryption_contract.h"
#include "recovery/hashed_name.h"
#include "recovery/manifest_plist.h"
#include "recovery/mbdb_records.h"
#include "recovery/sqlite_uri.h"
#include "tools/decrypt/file_blob.h"
#include "tools/decrypt/file_decryption.h"
#include "tools/decrypt/keybag.h"

namespace vesmar::decrypt {

namespace fs = std::filesystem;
using namespace vesmar::decryption;

namespace {

constexpr std::uint64_t kMaxMbdbSize = 1ull << 30;
constexpr auto kCountInterval = std::chrono::milliseconds(100);

// Manifest.db file IDs become file names: only 40 hexadecimal digits may, so that a damaged
// manifest cannot name a path outside the output folder.
bool IsFileId(std::string_view id) {
  if (id.size() != 40) return false;
  for (const char c : id)
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))) return false;
  return true;
}

bool StartsAsSqlite(const fs::path& file) {
  char head[16] = {};
  std::ifstream in(file, std::ios::binary);
  return in.read(head, sizeof head) && std::memcmp(head, "SQLite format 3", 16) == 0;
}

class BackupDecryption {
 public:
  BackupDecryption(fs::path backup, fs::path output, DecryptionReporter& reporter)
      : backup_(std::move(backup)), output_(std::move(output)), reporter_(reporter) {}

  int Run(std::string_view password) {
    ManifestPlist plist;
    if (ReadManifestPlist(backup_, plist) != 0) {
      reporter_.Warning("Manifest.plist is missing or unreadable");
      return kExitUnreadableBackup;
    }
    encrypted_ = plist.isEncrypted.value_or(!plist.backupKeyBag.empty());
    reporter_.Count(0);  // the key derivation that follows takes seconds
    if (encrypted_) {
      if (const int rc = Unlock(plist.backupKeyBag, password); rc != kExitOk) return rc;
    }
    if (!CreateFolders(output_)) {
      reporter_.Warning("cannot create the output folder " + output_.string());
      return kExitCannotWrite;
    }
    int rc;
    if (FileExists(backup_ / "Manifest.db")) {
      rc = DecryptManifestDbBackup(plist.manifestKey);
    } else if (FileExists(backup_ / "Manifest.mbdb")) {
      rc = DecryptMbdbBackup();
    } else {
      reporter_.Warning("no Manifest.db or Manifest.mbdb in the backup folder");
      return kExitUnreadableBackup;
    }
    reporter_.Count(totals_.files);
    return rc;
  }

  const DecryptionTotals& Totals() const { return totals_; }

 private:
  int Unlock(std::string_view keybagBytes, std::string_view password) {
    const auto keybag = ParseKeybag(keybagBytes);
    Key256 passcodeKey;
    if (!keybag || !DerivePasscodeKey(*keybag, password, passcodeKey)) {
      reporter_.Warning("the keybag of Manifest.plist is missing or damaged");
      return kExitUnreadableBackup;
    }
    classKeys_ = UnlockClassKeys(*keybag, passcodeKey);
    if (classKeys_.empty()) {
      reporter_.WrongPassword();
      return kExitWrongPassword;
    }
    return kExitOk;
  }

  int DecryptManifestDbBackup(const std::string& manifestKey) {
    const fs::path plainManifest = output_ / kDecryptedManifestName;
    std::optional<Key256> key;
    // Before iOS 10.2 an encrypted backup has no ManifestKey and a plain Manifest.db.
    if (encrypted_ && !manifestKey.empty()) {
      key = UnwrapClassWrappedKey(classKeys_, manifestKey);
      if (!key) {
        reporter_.Warning("the ManifestKey of Manifest.plist does not unwrap");
        return kExitUnreadableBackup;
      }
    }
    const FileOutcome outcome = files_.Run(key ? &*key : nullptr, backup_ / "Manifest.db", plainManifest);
    if (outcome.status == FileStatus::CannotWrite) {
      reporter_.Warning("cannot write " + plainManifest.string());
      return kExitCannotWrite;
    }
    if (outcome.status != FileStatus::Ok || !StartsAsSqlite(plainManifest)) {
      DeleteFileIfPresent(plainManifest);
      reporter_.Warning("Manifest.db does not decrypt to a database");
      return kExitUnreadableBackup;
    }

    sqlite3* db = nullptr;
    const std::string uri = ReadOnlySqliteUri(plainManifest);
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_open_v2(uri.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(db, "SELECT fileID, flags, file FROM Files", -1, &stmt, nullptr) != SQLITE_OK) {
      reporter_.Warning("the Files table of Manifest.db cannot be read");
      sqlite3_close(db);
      return kExitUnreadableBackup;
    }
    int rc = kExitOk;
    int step;
    while (rc == kExitOk && (step = sqlite3_step(stmt)) == SQLITE_ROW) {
      const auto* idText = sqlite3_column_text(stmt, 0);
      const std::string id = idText ? reinterpret_cast<const char*>(idText) : "";
      const auto flags = sqlite3_column_int64(stmt, 1);
      if (flags == 2 || flags == 4) continue;  // folders and links store nothing
      std::optional<std::string> wrapped;
      if (encrypted_) {
        const auto* blob = static_cast<const char*>(sqlite3_column_blob(stmt, 2));
        const auto length = static_cast<std::size_t>(sqlite3_column_bytes(stmt, 2));
        if (blob) wrapped = EncryptionKeyOfFileBlob(std::string_view(blob, length));
      }
      // Only regular files are stored; some rows carry other flags but still a key.
      if (flags != 1 && !wrapped) continue;
      if (!IsFileId(id)) {
        reporter_.Warning("a Manifest.db row has a malformed file ID; skipped");
        Failed();
        continue;
      }
      const std::string name = ToLowerAscii(id);
      rc = HandleFile(name, backup_ / name.substr(0, 2) / name, wrapped);
    }
    if (rc == kExitOk && step != SQLITE_DONE) reporter_.Warning("Manifest.db is damaged; its later rows were not read");
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return rc;
  }

  int DecryptMbdbBackup() {
    const auto data = ReadWholeFile(backup_ / "Manifest.mbdb", kMaxMbdbSize);
    MbdbContent manifest;
    if (!data || !ParseMbdb(*data, manifest)) {
      reporter_.Warning("Manifest.mbdb is unreadable");
      return kExitUnreadableBackup;
    }
    if (!manifest.complete) reporter_.Warning("Manifest.mbdb is truncated; its last record was not read");
    for (const auto& record : manifest.records) {
      if (!record.IsFile() && record.encryptionKey.empty()) continue;
      const std::string name = HashedName(record.Key());
      std::optional<std::string> wrapped;
      if (encrypted_ && !record.encryptionKey.empty()) wrapped = record.encryptionKey;
      if (const int rc = HandleFile(name, backup_ / name, wrapped); rc != kExitOk) return rc;
    }
    return kExitOk;
  }

  // One stored file. Only a failure to write ends the run; anything else is reported and skipped.
  int HandleFile(const std::string& name, const fs::path& source, const std::optional<std::string>& wrapped) {
    std::optional<Key256> key;
    if (encrypted_) {
      if (wrapped) key = UnwrapClassWrappedKey(classKeys_, *wrapped);
      if (!key) {
        reporter_.Warning(name + ": " + (wrapped ? "its key does not unwrap" : "no encryption key") + "; skipped");
        Failed();
        return kExitOk;
      }
    }
    const fs::path destination = output_ / name;
    const FileOutcome outcome = files_.Run(key ? &*key : nullptr, source, destination);
    ++totals_.files;
    switch (outcome.status) {
      case FileStatus::Ok:
        ++totals_.written;
        if (outcome.partialBlock) reporter_.Warning(name + ": stored length is not whole blocks; the tail was dropped");
        else if (key && !outcome.paddingValid) reporter_.Warning(name + ": no valid padding; kept whole");
        break;
      case FileStatus::SourceMissing:
        ++totals_.missing;
        reporter_.Warning(name + ": listed but not stored in the backup");
        break;
      case FileStatus::CannotWrite:
        DeleteFileIfPresent(destination);
        reporter_.Warning("cannot write " + destination.string() + ": " + std::strerror(outcome.error));
        return kExitCannotWrite;
      case FileStatus::SourceUnreadable:
      case FileStatus::CipherFailed:
        DeleteFileIfPresent(destination);
        ++totals_.failed;
        reporter_.Warning(name + ": cannot be read or decrypted; skipped");
        break;
    }
    MaybeCount();
    return kExitOk;
  }

  void Failed() {
    ++totals_.files;
    ++totals_.failed;
    MaybeCount();
  }

  void MaybeCount() {
    const auto now = std::chrono::steady_clock::now();
    if (now - lastCount_ < kCountInterval) return;
    lastCount_ = now;
    reporter_.Count(totals_.files);
  }

  fs::path backup_, output_;
  DecryptionReporter& reporter_;
  bool encrypted_ = false;
  ClassKeys classKeys_;
  FileDecryptor files_;
  DecryptionTotals totals_;
  std::chrono::steady_clock::time_point lastCount_{};
};

}  // namespace

int DecryptBackup(const fs::path& backupFolder, const fs::path& outputFolder, std::string_view password,
                  DecryptionReporter& reporter, DecryptionTotals* totals) {
  BackupDecryption run(backupFolder, outputFolder, reporter);
  const int rc = run.Run(password);
  if (totals) *totals = run.Totals();
  return rc;
}

}  // namespace vesmar::decrypt
