#include "recovery/device_recovery.h"

#include <cerrno>
#include <system_error>

#include "device/device_backup.h"
#include "platform/file_ops.h"
#include "platform/text.h"
#include "recovery/collect_steps.h"
#include "recovery/file_copy.h"
#include "recovery/hashed_name.h"
#include "recovery/manifest.h"
#include "recovery/parse_steps.h"
#include "recovery/well_known_files.h"
#include "recovery/working_folders.h"

namespace vesmar {

namespace fs = std::filesystem;

CDeviceRecovery::CDeviceRecovery() : workingFolder_(TempBackupRoot()) {
  EnsureAppFolder();
  DeleteWorkingFiles();
}

CDeviceRecovery::~CDeviceRecovery() {
  DeleteWorkingFiles();
  if (!deviceBackupFolder_.empty()) DeleteDeviceBackupContent();
}

void CDeviceRecovery::DeleteWorkingFiles() const {
  if (!workingFolder_.empty()) DeleteFilesIn(workingFolder_);
  DeletePreviewTempFiles();
}

// Empties the device backup folder except for names beginning with "." (the folder stays, so
// the next backup of the same device lands in the same place).
void CDeviceRecovery::DeleteDeviceBackupContent() const {
  auto emptyFolder = [](const fs::path& folder) {
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    if (ec) return;
    for (const auto& item : it) {
      const std::string name = item.path().filename().string();
      if (name.empty() || name[0] == '.' || name == "Snapshot") continue;
      std::error_code e;
      if (item.is_directory(e) && !item.is_symlink(e)) {
        RemoveFolderTree(item.path());
      } else {
        fs::remove(item.path(), e);
      }
    }
  };
  emptyFolder(deviceBackupFolder_);
  const fs::path snapshot = deviceBackupFolder_ / "Snapshot";
  if (FolderExists(snapshot)) {
    emptyFolder(snapshot);
    RemoveFolderTree(snapshot);
  }
}

int CDeviceRecovery::Attach(void*) {
  session_.progressReached = 0;
  session_.stepWidth = 0;
  twoLevelLayout_ = false;
  return 0;
}

int CDeviceRecovery::SetProgressCallback(ProgressCallback callback, void* user) {
  session_.callback = callback;
  session_.user = user;
  return 0;
}

void CDeviceRecovery::MakeWorkingCopies(const fs::path& backupFolder, bool twoLevelLayout,
                                        const fs::path& workingFolder) {
  struct Copy {
    const char* workingName;
    std::string_view hashed;
    std::string_view fallback;
  };
  static constexpr Copy kCopies[] = {
      {kWorkingAddressBook, well_known::kAddressBook, {}},
      {kWorkingMessages, well_known::kMessages, {}},
      {kWorkingNotes, well_known::kNotes, {}},
      {kWorkingCallHistory, well_known::kCallHistory, well_known::kCallHistoryOld},
      {kWorkingWhatsApp, well_known::kWhatsAppChats, well_known::kWhatsAppChatsOld},
  };
  for (const auto& copy : kCopies) {
    fs::path source = HashedFilePath(backupFolder, copy.hashed, twoLevelLayout);
    if (!copy.fallback.empty() && !FileExists(source))
      source = HashedFilePath(backupFolder, copy.fallback, twoLevelLayout);
    // A failed copy leaves the working file absent; that category then finds nothing.
    CopyFileReplacing(source, workingFolder / copy.workingName);
  }
}

int CDeviceRecovery::Open(const std::u16string& password) {
  session_.progressReached = 1;
  session_.stepWidth = 10;
  const int first = session_.Report(1);
  session_.messages.clear();
  session_.whatsApp.clear();
  if (first != 0) return first;

  // Without a volume that can take a whole device backup there is nowhere to work.
  if (workingFolder_.empty() || !CreateFolders(workingFolder_)) return ENOSPC;
  auto& device = CDeviceBackup::GetInstance();
  device.SetProgress(session_.callback, session_.user, 20);
  if (const int rc = device.Backup(workingFolder_, Utf16ToUtf8(password)); rc != 0) return rc;

  twoLevelLayout_ = device.TwoLevelLayout();
  session_.newSchema = device.NewSchema() ? 1 : 0;
  deviceBackupFolder_ = device.GetBackupFolder();
  MakeWorkingCopies(deviceBackupFolder_, twoLevelLayout_, workingFolder_);

  session_.progressReached = 20;
  return session_.Report(20);
}

DatabaseLocations CDeviceRecovery::LocateDatabases() const {
  DatabaseLocations db;
  db.addressBook = workingFolder_ / kWorkingAddressBook;
  db.messages = workingFolder_ / kWorkingMessages;
  db.notes = workingFolder_ / kWorkingNotes;
  db.callHistory = workingFolder_ / kWorkingCallHistory;
  db.whatsAppChats = workingFolder_ / kWorkingWhatsApp;
  return db;
}

ManifestEntries CDeviceRecovery::ReadDeviceManifest() const {
  ManifestEntries entries;
  if (deviceBackupFolder_.empty()) return entries;  // no backup was made: nothing to walk
  if (twoLevelLayout_) {
    if (FileExists(deviceBackupFolder_ / "Manifest.db")) ReadManifestDb(deviceBackupFolder_ / "Manifest.db", entries);
  } else if (FileExists(deviceBackupFolder_ / "Manifest.mbdb")) {
    ReadMbdbManifest(deviceBackupFolder_ / "Manifest.mbdb", entries);
  }
  return entries;
}

int CDeviceRecovery::ParseMessages(MessageMap& c) { return RunParseMessages(session_, LocateDatabases(), c); }
int CDeviceRecovery::ParseContacts(std::vector<ContactRecord>& c) {
  return RunParseContacts(session_, LocateDatabases(), c);
}
int CDeviceRecovery::ParseNotes(std::vector<NoteRecord>& n) { return RunParseNotes(session_, LocateDatabases(), n); }
int CDeviceRecovery::ParseCallHistory(std::vector<CallRecord>& c) {
  return RunParseCallHistory(session_, LocateDatabases(), c);
}
int CDeviceRecovery::ParseWhatsApp(WhatsAppChatMap& c) { return RunParseWhatsApp(session_, LocateDatabases(), c); }

int CDeviceRecovery::CollectCameraRoll(MediaFileList& roll, MediaFileList& stream) {
  const CollectSource source{true, deviceBackupFolder_, twoLevelLayout_};
  return CollectCameraRollStep(session_, ReadDeviceManifest(), source, roll, stream);
}

int CDeviceRecovery::CollectMessageAttachments(AttachmentFileList& attachments) {
  const CollectSource source{true, deviceBackupFolder_, twoLevelLayout_};
  return CollectMessageAttachmentsStep(session_, ReadDeviceManifest(), source, attachments);
}

int CDeviceRecovery::CollectAppFiles(AppFileList& appFiles) {
  const CollectSource source{true, deviceBackupFolder_, twoLevelLayout_};
  MediaFileList unused;  // the device source keeps WhatsApp files among the app files
  return CollectAppFilesStep(session_, ReadDeviceManifest(), source, appFiles, unused);
}

int CDeviceRecovery::CollectWhatsAppAttachments(MediaFileList& attachments) {
  const CollectSource source{true, deviceBackupFolder_, twoLevelLayout_};
  return CollectWhatsAppAttachmentsStep(session_, ReadDeviceManifest(), source, attachments);
}

int CDeviceRecovery::ExtractForPreview(const fs::path& source, fs::path& out, PercentCallback callback,
                                       void* user) {
  return vesmar::ExtractForPreview(source, out, callback, user);
}

int CDeviceRecovery::CopyOut(const fs::path& source, const fs::path& destination, ItemCallback callback,
                             void* user) {
  return vesmar::CopyOut(source, destination, callback, user);
}

int CDeviceRecovery::WriteMessagesCsv(const std::string& path) {
  return RunWriteMessagesCsv(session_, LocateDatabases(), path);
}

int CDeviceRecovery::WriteContactsCsv(const std::string& path) {
  return RunWriteContactsCsv(session_, LocateDatabases(), path);
}

}  // namespace vesmar
