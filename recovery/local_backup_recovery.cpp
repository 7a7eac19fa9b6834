#include "recovery/local_backup_recovery.h"

#include "recovery/result_codes.h"

namespace vesmar {

// Without a backup object nothing can be read; every operation then answers 87.
#define VESMAR_FORWARD(call) return backup_ ? backup_->call : result::kInvalid

int CLocalBuckupRecovery::Attach(void* source) {
  backup_ = static_cast<CItunesBackup*>(source);
  return 0;
}

int CLocalBuckupRecovery::SetProgressCallback(ProgressCallback callback, void* user) {
  VESMAR_FORWARD(SetProgressCallback(callback, user));
}
int CLocalBuckupRecovery::Open(const std::u16string& password) { VESMAR_FORWARD(Open(password)); }
int CLocalBuckupRecovery::ParseMessages(MessageMap& c) { VESMAR_FORWARD(ParseMessages(c)); }
int CLocalBuckupRecovery::CollectMessageAttachments(AttachmentFileList& a) {
  VESMAR_FORWARD(CollectMessageAttachments(a));
}
int CLocalBuckupRecovery::ParseContacts(std::vector<ContactRecord>& c) { VESMAR_FORWARD(ParseContacts(c)); }
int CLocalBuckupRecovery::ParseNotes(std::vector<NoteRecord>& n) { VESMAR_FORWARD(ParseNotes(n)); }
int CLocalBuckupRecovery::ParseCallHistory(std::vector<CallRecord>& c) { VESMAR_FORWARD(ParseCallHistory(c)); }
int CLocalBuckupRecovery::CollectCameraRoll(MediaFileList& roll, MediaFileList& stream) {
  VESMAR_FORWARD(CollectCameraRoll(roll, stream));
}
int CLocalBuckupRecovery::CollectWhatsAppAttachments(MediaFileList& a) {
  VESMAR_FORWARD(CollectWhatsAppAttachments(a));
}
int CLocalBuckupRecovery::CollectAppFiles(AppFileList& a) { VESMAR_FORWARD(CollectAppFiles(a)); }
int CLocalBuckupRecovery::ParseWhatsApp(WhatsAppChatMap& c) { VESMAR_FORWARD(ParseWhatsApp(c)); }
int CLocalBuckupRecovery::ExtractForPreview(const std::filesystem::path& source, std::filesystem::path& out,
                                            PercentCallback callback, void* user) {
  VESMAR_FORWARD(ExtractForPreview(source, out, callback, user));
}
int CLocalBuckupRecovery::CopyOut(const std::filesystem::path& source, const std::filesystem::path& destination,
                                  ItemCallback callback, void* user) {
  VESMAR_FORWARD(CopyOut(source, destination, callback, user));
}
int CLocalBuckupRecovery::WriteMessagesCsv(const std::string& path) { VESMAR_FORWARD(WriteMessagesCsv(path)); }
int CLocalBuckupRecovery::WriteContactsCsv(const std::string& path) { VESMAR_FORWARD(WriteContactsCsv(path)); }

#undef VESMAR_FORWARD

}  // namespace vesmar
