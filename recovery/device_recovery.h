// Scan of the connected device: a fresh full backup into TempBackupRoot, working copies of the
// key databases, then the same steps as for a backup folder.
#pragma once

#include <filesystem>
#include <string>

#include "recovery/file_records.h"
#include "recovery/manifest_entry.h"
#include "recovery/phone_recovery_parse.h"
#include "recovery/scan_session.h"

namespace vesmar {

// Names of the working copies inside TempBackupRoot.
inline constexpr const char* kWorkingAddressBook = "AddressBook";
inline constexpr const char* kWorkingMessages = "sms";
inline constexpr const char* kWorkingNotes = "notes";
inline constexpr const char* kWorkingCallHistory = "history";
inline constexpr const char* kWorkingWhatsApp = "ChatStorage";

class CDeviceRecovery final : public IPhoneRecoveryParse {
 public:
  CDeviceRecovery();   // removes leftover working copies and preview files
  ~CDeviceRecovery() override;  // removes them again, and the device backup's content
  CDeviceRecovery(const CDeviceRecovery&) = delete;
  CDeviceRecovery& operator=(const CDeviceRecovery&) = delete;

  int Attach(void* source) override;
  int SetProgressCallback(ProgressCallback callback, void* user) override;
  int Query(std::uint32_t) override { return 0; }
  bool IsBackupSource(std::uint32_t) override { return false; }
  int Open(const std::u16string& password) override;
  int ParseMessages(MessageMap& conversations) override;
  int CollectMessageAttachments(AttachmentFileList& attachments) override;
  int ParseContacts(std::vector<ContactRecord>& contacts) override;
  int ParseNotes(std::vector<NoteRecord>& notes) override;
  int ParseCallHistory(std::vector<CallRecord>& calls) override;
  int CollectCameraRoll(MediaFileList& cameraRoll, MediaFileList& photoStream) override;
  int CollectWhatsAppAttachments(MediaFileList& attachments) override;
  int CollectAppFiles(AppFileList& appFiles) override;
  int ParseQQ(ForeignChatMap&) override { return 0; }
  int ParseWeChat(ForeignChatMap&) override { return 0; }
  int ParseWhatsApp(WhatsAppChatMap& chats) override;
  int ExtractForPreview(const std::filesystem::path& source, std::filesystem::path& out,
                        PercentCallback callback, void* user) override;
  int CopyOut(const std::filesystem::path& source, const std::filesystem::path& destination,
              ItemCallback callback, void* user) override;
  int WriteMessagesCsv(const std::string& path) override;
  int WriteContactsCsv(const std::string& path) override;
  int WriteWhatsAppChatText(std::int32_t, const std::filesystem::path&, ItemCallback, void*) override {
    return 0;
  }
  int WriteQQChatText(std::int32_t, std::int32_t, const std::filesystem::path&, ItemCallback, void*) override {
    return 0;
  }
  int WriteWeChatChatText(std::int32_t, std::int32_t, const std::filesystem::path&, ItemCallback,
                          void*) override {
    return 0;
  }

  const std::filesystem::path& DeviceBackupFolder() const { return deviceBackupFolder_; }
  bool TwoLevelLayout() const { return twoLevelLayout_; }
  const ScanSession& Session() const { return session_; }
  DatabaseLocations LocateDatabases() const;

  // Copies the key databases of a device backup into the working folder (exposed for tests).
  static void MakeWorkingCopies(const std::filesystem::path& backupFolder, bool twoLevelLayout,
                                const std::filesystem::path& workingFolder);

 private:
  void DeleteWorkingFiles() const;
  void DeleteDeviceBackupContent() const;
  // The device source reads the manifest afresh for each collection step.
  ManifestEntries ReadDeviceManifest() const;

  std::filesystem::path workingFolder_;
  std::filesystem::path deviceBackupFolder_;
  bool twoLevelLayout_ = false;
  ScanSession session_;
};

}  // namespace vesmar
