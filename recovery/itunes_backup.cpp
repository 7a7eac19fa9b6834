#include "recovery/itunes_backup.h"

#include <system_error>

#include "platform/file_ops.h"
#include "recovery/backup_catalogue.h"
#include "recovery/collect_steps.h"
#include "recovery/file_copy.h"
#include "recovery/hashed_name.h"
#include "recovery/manifest.h"
#include "recovery/parse_steps.h"
#include "recovery/result_codes.h"
#include "recovery/well_known_files.h"
#include "recovery/working_folders.h"

namespace vesmar {

namespace fs = std::filesystem;

CItunesBackup::CItunesBackup() {
  EnsureAppFolder();
  CleanUp();
}

CItunesBackup::~CItunesBackup() { CleanUp(); }

// Only what we wrote ourselves goes: the decryption output and the preview files. A file of
// the user's backup is never deleted.
void CItunesBackup::CleanUp() const {
  if (!TempBackupRoot().empty()) DeleteFilesIn(TempBackupRoot() / kDecryptionFolderName);
  for (const auto& file : decryption_.files) DeleteFileIfPresent(file);
  DeletePreviewTempFiles();
}

int CItunesBackup::BuildCatalogue() {
  catalogueRoot_ = CatalogueRoot();
  folderList_ = CatalogueFolders(catalogueRoot_);
  return 0;
}

int CItunesBackup::ListBackups(std::vector<BackupEntry>& out) const {
  auto entries = ListBackupFolders(folderList_);
  out.insert(out.end(), entries.begin(), entries.end());
  return 0;
}

void CItunesBackup::SetEntry(const BackupEntry& entry) {
  entry_ = entry;
  backupFolder_ = entry.folder;
}

int CItunesBackup::SetProgressCallback(ProgressCallback callback, void* user) {
  session_.callback = callback;
  session_.user = user;
  return 0;
}

int CItunesBackup::Open(const std::u16string& password) {
  session_.progressReached = 0;
  session_.stepWidth = 11;
  session_.newSchema = entry_.newSchema;
  session_.Report(0);
  session_.messages.clear();
  for (const auto& file : decryption_.files) DeleteFileIfPresent(file);
  decryption_ = {};
  manifest_.clear();
  backupFolder_ = entry_.folder;

  const fs::path userFolder = entry_.folder;
  twoLevelLayout_ = FileExists(userFolder / "Manifest.db");

  DecryptionOutput output;
  if (entry_.encrypted) {
    session_.stepWidth = 10;
    const int rc = RunDecryptionTool(userFolder, password, session_, output);
    decryption_ = output;
    if (rc != 0) return rc;
  } else {
    session_.progressReached = 1;
    session_.Report(1);
  }

  int rc;
  if (twoLevelLayout_) {
    // The decryption writes its plain manifest into its own output folder.
    const fs::path decryptedManifest =
        (Decrypted() ? decryption_.folder : userFolder) / "Manifest.db-decypted";
    rc = ReadManifestDb(FileExists(decryptedManifest) ? decryptedManifest : userFolder / "Manifest.db",
                        manifest_);
  } else if (FileExists(userFolder / "Manifest.mbdb")) {
    rc = ReadMbdbManifest(userFolder / "Manifest.mbdb", manifest_);
  } else {
    rc = result::kInvalid;
  }

  if (Decrypted()) backupFolder_ = decryption_.folder;
  session_.progressReached += session_.stepWidth;
  session_.Report(session_.progressReached);
  return rc;
}

fs::path CItunesBackup::HashedFile(std::string_view fileName) const {
  // The decryption output is flat.
  return HashedFilePath(backupFolder_, fileName, twoLevelLayout_ && !Decrypted());
}

// The database itself, not its "-wal" or "-shm" companions, which are listed beside it in any
// order and would otherwise be taken for it.
fs::path CItunesBackup::FindWhatsAppDatabase() const {
  fs::path found;
  int matches = 0;
  for (const auto& entry : manifest_) {
    if (entry.key.ends_with("ChatStorage.sqlite")) {
      found = HashedFile(entry.fileName);
      ++matches;
    } else if (entry.key.ends_with("Contacts.sqlite")) {
      ++matches;
    }
    if (matches >= 2) break;
  }
  return found;
}

DatabaseLocations CItunesBackup::LocateDatabases() const {
  DatabaseLocations db;
  db.addressBook = HashedFile(well_known::kAddressBook);
  db.messages = HashedFile(well_known::kMessages);
  db.notes = HashedFile(well_known::kNotes);
  const fs::path calls = HashedFile(well_known::kCallHistory);
  db.callHistory = FileExists(calls) ? calls : HashedFile(well_known::kCallHistoryOld);
  db.whatsAppChats = FindWhatsAppDatabase();
  return db;
}

int CItunesBackup::ParseMessages(MessageMap& conversations) {
  return RunParseMessages(session_, LocateDatabases(), conversations);
}

int CItunesBackup::ParseContacts(std::vector<ContactRecord>& contacts) {
  return RunParseContacts(session_, LocateDatabases(), contacts);
}

int CItunesBackup::ParseNotes(std::vector<NoteRecord>& notes) {
  return RunParseNotes(session_, LocateDatabases(), notes);
}

int CItunesBackup::ParseCallHistory(std::vector<CallRecord>& calls) {
  return RunParseCallHistory(session_, LocateDatabases(), calls);
}

int CItunesBackup::ParseWhatsApp(WhatsAppChatMap& chats) {
  return RunParseWhatsApp(session_, LocateDatabases(), chats);
}

int CItunesBackup::CollectCameraRoll(MediaFileList& cameraRoll, MediaFileList& photoStream) {
  const CollectSource source{false, backupFolder_, twoLevelLayout_ && !Decrypted()};
  return CollectCameraRollStep(session_, manifest_, source, cameraRoll, photoStream);
}

int CItunesBackup::CollectMessageAttachments(AttachmentFileList& attachments) {
  const CollectSource source{false, backupFolder_, twoLevelLayout_ && !Decrypted()};
  return CollectMessageAttachmentsStep(session_, manifest_, source, attachments);
}

int CItunesBackup::CollectAppFiles(AppFileList& appFiles) {
  const CollectSource source{false, backupFolder_, twoLevelLayout_ && !Decrypted()};
  return CollectAppFilesStep(session_, manifest_, source, appFiles, whatsAppAttachments_);
}

// The WhatsApp files were sorted out while collecting the app files.
int CItunesBackup::CollectWhatsAppAttachments(MediaFileList& attachments) {
  attachments = whatsAppAttachments_;
  return FinishCollectStep(session_, session_.stepWidth, 0);
}

int CItunesBackup::ExtractForPreview(const fs::path& source, fs::path& out, PercentCallback callback,
                                     void* user) {
  return vesmar::ExtractForPreview(source, out, callback, user);
}

int CItunesBackup::CopyOut(const fs::path& source, const fs::path& destination, ItemCallback callback,
                           void* user) {
  return vesmar::CopyOut(source, destination, callback, user);
}

int CItunesBackup::WriteMessagesCsv(const std::string& path) {
  return RunWriteMessagesCsv(session_, LocateDatabases(), path);
}

int CItunesBackup::WriteContactsCsv(const std::string& path) {
  return RunWriteContactsCsv(session_, LocateDatabases(), path);
}

}  // namespace vesmar
