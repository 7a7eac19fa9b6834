// A backup folder on this computer: the catalogue of the user's backups, and the reading of the
// one chosen for a scan (in place, never written to).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "recovery/backup_entry.h"
#include "recovery/decryption_runner.h"
#include "recovery/file_records.h"
#include "recovery/manifest_entry.h"
#include "recovery/progress.h"
#include "recovery/scan_session.h"

namespace vesmar {

class CItunesBackup {
 public:
  CItunesBackup();  // makes the app folder and removes leftovers of an earlier decryption
  ~CItunesBackup();
  CItunesBackup(const CItunesBackup&) = delete;
  CItunesBackup& operator=(const CItunesBackup&) = delete;

  // Catalogue role.
  int BuildCatalogue();
  int ListBackups(std::vector<BackupEntry>& out) const;
  const std::vector<std::filesystem::path>& FolderList() const { return folderList_; }

  // The scan view hands over the chosen backup before each scan.
  void SetEntry(const BackupEntry& entry);
  const BackupEntry& Entry() const { return entry_; }

  // Reading role, reached through CLocalBuckupRecovery.
  int SetProgressCallback(ProgressCallback callback, void* user);
  int Open(const std::u16string& password);
  int ParseMessages(MessageMap& conversations);
  int CollectMessageAttachments(AttachmentFileList& attachments);
  int ParseContacts(std::vector<ContactRecord>& contacts);
  int ParseNotes(std::vector<NoteRecord>& notes);
  int ParseCallHistory(std::vector<CallRecord>& calls);
  int CollectCameraRoll(MediaFileList& cameraRoll, MediaFileList& photoStream);
  int CollectWhatsAppAttachments(MediaFileList& attachments);
  int CollectAppFiles(AppFileList& appFiles);
  int ParseWhatsApp(WhatsAppChatMap& chats);
  int ExtractForPreview(const std::filesystem::path& source, std::filesystem::path& out,
                        PercentCallback callback, void* user);
  int CopyOut(const std::filesystem::path& source, const std::filesystem::path& destination,
              ItemCallback callback, void* user);
  int WriteMessagesCsv(const std::string& path);
  int WriteContactsCsv(const std::string& path);

  // Where the scan reads: the user's folder, or the decrypted copy after a decryption.
  const std::filesystem::path& BackupFolder() const { return backupFolder_; }
  bool TwoLevelLayout() const { return twoLevelLayout_; }
  const ManifestEntries& Manifest() const { return manifest_; }
  const ScanSession& Session() const { return session_; }
  DatabaseLocations LocateDatabases() const;

 private:
  void CleanUp() const;
  bool Decrypted() const { return !decryption_.folder.empty(); }
  std::filesystem::path HashedFile(std::string_view fileName) const;
  std::filesystem::path FindWhatsAppDatabase() const;

  std::filesystem::path catalogueRoot_;
  std::vector<std::filesystem::path> folderList_;
  BackupEntry entry_;
  std::filesystem::path backupFolder_;
  DecryptionOutput decryption_;
  ManifestEntries manifest_;
  bool twoLevelLayout_ = false;
  ScanSession session_;
  MediaFileList whatsAppAttachments_;  // made by CollectAppFiles
};

}  // namespace vesmar
