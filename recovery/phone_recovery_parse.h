// The interface a scan drives, whatever its source (connected device or backup folder).
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "recovery/file_records.h"
#include "recovery/progress.h"
#include "sqlite_recovery/records.h"

namespace vesmar {

// Chat maps of the messengers that have a slot but no driver.
using ForeignChatMap = std::map<std::int32_t, std::vector<std::u16string>>;

// The operations in the order a scan calls them: Open, then the nine category steps
// (CollectCameraRoll, ParseMessages, CollectMessageAttachments, ParseContacts, ParseCallHistory,
// ParseNotes, CollectAppFiles, ParseWhatsApp, CollectWhatsAppAttachments), each only while no
// step answered 2. The object stays alive after the scan for preview, export and print.
class IPhoneRecoveryParse {
 public:
  virtual ~IPhoneRecoveryParse() = default;

  virtual int Attach(void* source) = 0;
  virtual int SetProgressCallback(ProgressCallback callback, void* user) = 0;
  virtual int Query(std::uint32_t value) = 0;
  virtual bool IsBackupSource(std::uint32_t value) = 0;
  virtual int Open(const std::u16string& password) = 0;
  virtual int ParseMessages(MessageMap& conversations) = 0;
  virtual int CollectMessageAttachments(AttachmentFileList& attachments) = 0;
  virtual int ParseContacts(std::vector<ContactRecord>& contacts) = 0;
  virtual int ParseNotes(std::vector<NoteRecord>& notes) = 0;
  virtual int ParseCallHistory(std::vector<CallRecord>& calls) = 0;
  virtual int CollectCameraRoll(MediaFileList& cameraRoll, MediaFileList& photoStream) = 0;
  virtual int CollectWhatsAppAttachments(MediaFileList& attachments) = 0;
  virtual int CollectAppFiles(AppFileList& appFiles) = 0;
  virtual int ParseQQ(ForeignChatMap& chats) = 0;
  virtual int ParseWeChat(ForeignChatMap& chats) = 0;
  virtual int ParseWhatsApp(WhatsAppChatMap& chats) = 0;
  virtual int ExtractForPreview(const std::filesystem::path& source, std::filesystem::path& out,
                                PercentCallback callback, void* user) = 0;
  virtual int CopyOut(const std::filesystem::path& source, const std::filesystem::path& destination,
                      ItemCallback callback, void* user) = 0;
  virtual int WriteMessagesCsv(const std::string& path) = 0;
  virtual int WriteContactsCsv(const std::string& path) = 0;
  virtual int WriteWhatsAppChatText(std::int32_t chatKey, const std::filesystem::path& path,
                                    ItemCallback callback, void* user) = 0;
  virtual int WriteQQChatText(std::int32_t accountKey, std::int32_t chatKey,
                              const std::filesystem::path& path, ItemCallback callback, void* user) = 0;
  virtual int WriteWeChatChatText(std::int32_t userKey, std::int32_t chatKey,
                                  const std::filesystem::path& path, ItemCallback callback,
                                  void* user) = 0;
};

}  // namespace vesmar
