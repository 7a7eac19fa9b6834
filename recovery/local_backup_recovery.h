// Scan of a backup folder: forwards every operation to the catalogue object that holds the
// chosen backup.
#pragma once

#include "recovery/itunes_backup.h"
#include "recovery/phone_recovery_parse.h"

namespace vesmar {

class CLocalBuckupRecovery final : public IPhoneRecoveryParse {
 public:
  int Attach(void* source) override;
  int SetProgressCallback(ProgressCallback callback, void* user) override;
  int Query(std::uint32_t) override { return 0; }
  bool IsBackupSource(std::uint32_t) override { return true; }
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

 private:
  CItunesBackup* backup_ = nullptr;  // owned by the main window, outlives the parser
};

}  // namespace vesmar
