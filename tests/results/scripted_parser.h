// A parser whose scan hands out prepared containers and whose file copy and database dumps
// work on real files, for tests of what consumes a scan (results model, export, print).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "recovery/phone_recovery_parse.h"
#include "recovery/scan_run.h"

namespace vesmar::testing {

class ScriptedParser final : public IPhoneRecoveryParse {
 public:
  ScanResults script;          // what the steps deliver
  int stopAtStep = -1;         // index (0-8) of the step that answers 2
  std::size_t copyChunk = 65536;
  int dumpResult = 0;          // what WriteMessagesCsv / WriteContactsCsv answer
  std::vector<std::string> dumpsWritten;

  int Attach(void*) override { return 0; }
  int SetProgressCallback(ProgressCallback, void*) override { return 0; }
  int Query(std::uint32_t) override { return 0; }
  bool IsBackupSource(std::uint32_t) override { return true; }
  int Open(const std::u16string&) override { return 0; }
  int CollectCameraRoll(MediaFileList& roll, MediaFileList& stream) override {
    roll = script.cameraRoll;
    stream = script.photoStream;
    return Answer(0);
  }
  int ParseMessages(MessageMap& m) override { m = script.messages; return Answer(1); }
  int CollectMessageAttachments(AttachmentFileList& a) override { a = script.messageAttachments; return Answer(2); }
  int ParseContacts(std::vector<ContactRecord>& c) override { c = script.contacts; return Answer(3); }
  int ParseCallHistory(std::vector<CallRecord>& c) override { c = script.calls; return Answer(4); }
  int ParseNotes(std::vector<NoteRecord>& n) override { n = script.notes; return Answer(5); }
  int CollectAppFiles(AppFileList& a) override { a = script.appFiles; return Answer(6); }
  int ParseWhatsApp(WhatsAppChatMap& w) override { w = script.whatsApp; return Answer(7); }
  int CollectWhatsAppAttachments(MediaFileList& a) override { a = script.whatsAppAttachments; return Answer(8); }
  int ParseQQ(ForeignChatMap&) override { return 0; }
  int ParseWeChat(ForeignChatMap&) override { return 0; }
  int ExtractForPreview(const std::filesystem::path&, std::filesystem::path&, PercentCallback, void*) override {
    return 87;
  }
  // Copies in chunks, reporting after each one; 87 with one report when a file cannot be
  // opened; an empty file gives 0 without a report.
  int CopyOut(const std::filesystem::path& source, const std::filesystem::path& destination, ItemCallback callback,
              void* user) override;
  int WriteMessagesCsv(const std::string& path) override { return Dump(path, "messages"); }
  int WriteContactsCsv(const std::string& path) override { return Dump(path, "contacts"); }
  int WriteWhatsAppChatText(std::int32_t, const std::filesystem::path&, ItemCallback, void*) override { return 0; }
  int WriteQQChatText(std::int32_t, std::int32_t, const std::filesystem::path&, ItemCallback, void*) override {
    return 0;
  }
  int WriteWeChatChatText(std::int32_t, std::int32_t, const std::filesystem::path&, ItemCallback, void*) override {
    return 0;
  }

 private:
  int Answer(int step) const { return step == stopAtStep ? 2 : 0; }
  int Dump(const std::string& path, const char* what);
};

}  // namespace vesmar::testing
