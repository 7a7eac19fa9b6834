#include "export/export_job.h"

#include <system_error>

#include "export/conversation_documents.h"
#include "export/export_texts.h"
#include "export/html_text.h"
#include "export/record_rows.h"
#include "export/safe_name.h"
#include "export/unique_path.h"
#include "platform/file_ops.h"
#include "platform/text.h"
#include "recovery/result_codes.h"

namespace vesmar {

namespace fs = std::filesystem;

namespace {

using C = RecoveryCategory;

// Sits between a file copy and the progress: remembers whether the item was ended (a report
// of 100) and whether the copy was told to stop.
struct CopyReports {
  IItemProgress* progress;
  bool ended = false;
  bool stopped = false;

  static int Forward(void* user, int percent, int status, const fs::path& destination) {
    auto* self = static_cast<CopyReports*>(user);
    const int answer = self->progress->OnItemProgress(percent, status, destination);
    if (answer != 0) {
      self->stopped = true;
    } else if (percent >= 100) {
      self->ended = true;
    }
    return answer;
  }
};

fs::path NamedIn(const fs::path& folder, std::u16string_view name) { return folder / PathOf(SafeFileName(name)); }

std::string PersonText(std::u16string_view name, std::u16string_view phone) {
  return HtmlEscape(u"Name: " + std::u16string(name) + u", Phone: " + std::u16string(phone));
}

std::string WithPerson(const std::string& head, std::u16string_view name, std::u16string_view phone) {
  std::string copy = head;
  ReplaceAll(copy, "{|person|}", PersonText(name, phone));
  return copy;
}

}  // namespace

CExportJob::CExportJob(const CScanResultsModel& model, IPhoneRecoveryParse& parser, const ExportTemplates& templates,
                       fs::path outputFolder)
    : model_(model), parser_(parser), templates_(templates), out_(std::move(outputFolder)) {}

ExportSummary CExportJob::Run(IItemProgress& progress) {
  progress_ = &progress;
  stamp_ = ExportStamp(startTime_ != 0 ? startTime_ : std::time(nullptr));
  wideStamp_ = Utf8ToUtf16(stamp_);
  messagesWritten_ = false;
  contacts_ = calls_ = notes_ = Collected{};

  ExportSummary summary;
  summary.stamp = stamp_;
  const CStatisticsObj& statistics = model_.Statistics();
  progress.OnExportStarted(statistics.SelectedVisibleItems());
  for (const auto& entry : statistics.Entries()) {
    if (entry.isGroup || !entry.selected || entry.hidden) continue;
    // Once cancelled no further item is begun; what was collected is still written below.
    if (progress.Cancelled() || ExportEntry(entry) == result::kStopped) {
      summary.result = result::kStopped;
      break;
    }
  }
  Finish(summary);
  progress.OnExportFinished();
  progress_ = nullptr;
  return summary;
}

int CExportJob::ExportEntry(const CStatisticsObj::Entry& entry) {
  const RecordRef& r = entry.record;
  switch (entry.category) {
    case C::CameraRoll:
    case C::PhotoStream:
    case C::WhatsAppAttachments: {
      const auto* file = std::get<const MediaFileRecord*>(r);
      const char* folder = entry.category == C::CameraRoll    ? "Camera Roll"
                           : entry.category == C::PhotoStream ? "Photo Stream"
                                                              : "WhatsApp Attachments";
      return CopyFile(file->fullPath, NamedIn(out_ / folder, file->displayName));
    }
    case C::AppPhotos:
    case C::AppVideos: {
      const auto* file = std::get<const AppFileRecord*>(r);
      const fs::path folder = NamedIn(out_ / (entry.category == C::AppPhotos ? "App Photos" : "App Video"),
                                      file->appName);
      return CopyFile(file->fullPath, NamedIn(folder, file->displayName));
    }
    case C::MessagesAttachments: {
      const auto* file = std::get<const AttachmentFileRecord*>(r);
      return CopyFile(file->fullPath, NamedIn(out_ / "Message Attachments", file->displayName));
    }
    case C::Messages: return ExportConversation(*std::get<const MessageRecord*>(r));
    case C::WhatsApp: return ExportChat(*std::get<const WhatsAppMessageRecord*>(r));
    case C::Contacts:
      return CollectRow(contacts_, out_ / "Contacts" / stamp_, "Contacts.html",
                        ContactRow(*std::get<const ContactRecord*>(r)));
    case C::CallHistory:
      return CollectRow(calls_, out_ / "CallHistory", "CallHistory_" + stamp_ + ".html",
                        CallRow(*std::get<const CallRecord*>(r)));
    case C::Notes:
      return CollectRow(notes_, out_ / "Notes", "Notes_" + stamp_ + ".html", NoteRow(*std::get<const NoteRecord*>(r)));
  }
  return result::kOk;
}

int CExportJob::CopyFile(const fs::path& source, const fs::path& wanted) {
  // The copy writes into a name reserved for it, so no other writer can be given the same one.
  fs::path destination = wanted;
  CreateFolders(wanted.parent_path());
  const int reserved = ReserveNewFile(destination);
  if (reserved != 0) return progress_->OnItemProgress(100, reserved, wanted) != 0 ? result::kStopped : result::kOk;

  CopyReports reports{progress_};
  const int copied = parser_.CopyOut(source, destination, &CopyReports::Forward, &reports);
  if (reports.stopped) {
    // A half-copied file would pass for a recovered one; the file is ours, made above.
    std::error_code ec;
    fs::remove(destination, ec);
    return result::kStopped;
  }
  // A failed copy keeps what it wrote (part of a damaged file is still worth having), but an
  // empty reservation is not left behind.
  if (copied != 0) RemoveIfEmpty(destination);
  // Every item ends with exactly one report of 100, also when the copy made none (an empty
  // file, or a failure before the first piece).
  if (!reports.ended && progress_->OnItemProgress(100, copied, destination) != 0) return result::kStopped;
  return result::kOk;
}

int CExportJob::ExportConversation(const MessageRecord& row) {
  const std::u16string label = row.contactName.empty() ? u"Unknown" : row.contactName;
  const fs::path folder = out_ / "Message" / PathOf(SafeFileName(label) + u"-" + wideStamp_);
  CreateFolders(folder);
  messagesWritten_ = true;
  const std::u16string base = row.address.empty() ? label : label + u"(" + row.address + u")";
  const std::u16string safeBase = SafeFileName(base);
  const auto lines = LinesOf(model_.ConversationMessages(row.handleId));

  fs::path text = folder / PathOf(safeBase + u".txt");
  const int textWritten = WriteConversationText(text, lines);
  fs::path html = folder / PathOf(safeBase + u".html");
  return WriteConversationHtml(html, WithPerson(templates_.messages.head, label, row.address),
                               templates_.messages.tail, lines, *progress_, textWritten);
}

int CExportJob::ExportChat(const WhatsAppMessageRecord& row) {
  std::u16string label = row.memberNames.empty() ? row.memberPhones
                                                 : row.memberNames + u"(" + row.memberPhones + u")";
  if (row.memberNames.find(u',') != std::u16string::npos) label = row.chatName;  // a group
  if (label.empty()) label = u"Unknown";
  const std::u16string safeLabel = SafeFileName(label);
  const fs::path folder = out_ / "WhatsApp Message" / PathOf(safeLabel + u"-" + wideStamp_);
  CreateFolders(folder);
  const auto lines = LinesOf(model_.ChatMessages(row.chatId));

  fs::path text = folder / PathOf(safeLabel + u".txt");
  int earlier = WriteConversationText(text, lines);
  fs::path csv = folder / PathOf(safeLabel + u".csv");
  if (const int sheet = WriteWhatsAppCsv(csv, lines); earlier == 0) earlier = sheet;
  fs::path html = folder / PathOf(safeLabel + u".html");
  return WriteConversationHtml(html, WithPerson(templates_.whatsApp.head, row.memberNames, row.memberPhones),
                               templates_.whatsApp.tail, lines, *progress_, earlier);
}

int CExportJob::CollectRow(Collected& collected, const fs::path& folder, std::string_view documentName,
                           std::string row) {
  if (collected.document.empty()) {
    // The document is created at once, so every item can name the file it went into and a
    // later export in the same second cannot take that name.
    collected.document = folder / documentName;
    std::FILE* file = nullptr;
    collected.createResult = CreateFolders(folder) ? CreateNewFile(collected.document, file) : result::kInvalid;
    if (file) std::fclose(file);
  }
  collected.rows += row;
  return progress_->OnItemProgress(100, collected.createResult, collected.document) != 0 ? result::kStopped
                                                                                          : result::kOk;
}

void CExportJob::Finish(ExportSummary& summary) {
  if (messagesWritten_) WriteDump(out_ / "Message" / "sms.csv", true, summary);
  WriteCollected(calls_, templates_.calls, summary);
  WriteCollected(notes_, templates_.notes, summary);
  if (!contacts_.rows.empty()) WriteDump(contacts_.document.parent_path() / "Contacts.csv", false, summary);
  WriteCollected(contacts_, templates_.contacts, summary);
}

void CExportJob::WriteCollected(Collected& collected, const DocumentTemplate& document, ExportSummary& summary) {
  if (collected.rows.empty()) return;
  int written = collected.createResult;
  if (written == 0) written = WriteDocument(collected.document, {document.head, collected.rows, document.tail}, true);
  summary.documents.push_back({collected.document, written});
}

void CExportJob::WriteDump(const fs::path& wanted, bool messages, ExportSummary& summary) {
  // The dump writers create their file themselves; they get a name that is free.
  const fs::path path = MakeUniquePath(wanted);
  const int written = !CreateFolders(wanted.parent_path()) ? result::kInvalid
                      : messages                           ? parser_.WriteMessagesCsv(path.string())
                                                           : parser_.WriteContactsCsv(path.string());
  summary.documents.push_back({path, written});
}

}  // namespace vesmar
