// Recovery of the selected items of a scan into a folder: files copied out of the backup,
// conversations as HTML, text (and CSV for WhatsApp), contacts, calls and notes collected into
// one document each, and the message and contact databases dumped as CSV.
//
// Output tree (out = the chosen folder, <stamp> = local start time YYYYMMDDhhmmss):
//   Camera Roll/, Photo Stream/, Message Attachments/, WhatsApp Attachments/   the files
//   App Photos/<app>/, App Video/<app>/                                        app files
//   Message/<name>-<stamp>/<name>(<address>).txt|.html, Message/sms.csv
//   WhatsApp Message/<label>-<stamp>/<label>.txt|.csv|.html
//   Contacts/<stamp>/Contacts.html|Contacts.csv
//   CallHistory/CallHistory_<stamp>.html, Notes/Notes_<stamp>.html
// Nothing that exists is replaced: a taken name gets "(1)", "(2)", ...
#pragma once

#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "export/document_template.h"
#include "export/item_progress.h"
#include "recovery/phone_recovery_parse.h"
#include "results/scan_results_model.h"

namespace vesmar {

struct ExportSummary {
  int result = 0;     // 0 finished, 2 cancelled
  std::string stamp;
  // Collected documents (contacts, calls, notes) and database dumps, with their results
  // (0 or the error code); these are not items of the progress.
  struct Document {
    std::filesystem::path path;
    int result = 0;
  };
  std::vector<Document> documents;
};

class CExportJob {
 public:
  // The model, parser and templates must outlive Run; the model must not change during it.
  CExportJob(const CScanResultsModel& model, IPhoneRecoveryParse& parser, const ExportTemplates& templates,
             std::filesystem::path outputFolder);

  // The moment the stamp is made of (default: when Run starts).
  void SetStartTime(std::time_t when) { startTime_ = when; }

  // Exports every selected, visible record in the statistics' order. Runs on the caller's
  // thread (the export worker); reports through `progress`.
  ExportSummary Run(IItemProgress& progress);

 private:
  struct Collected {
    std::filesystem::path document;  // created at the first row, filled at the end
    int createResult = 0;
    std::string rows;
  };

  int ExportEntry(const CStatisticsObj::Entry& entry);
  int CopyFile(const std::filesystem::path& source, const std::filesystem::path& destination);
  int ExportConversation(const MessageRecord& row);
  int ExportChat(const WhatsAppMessageRecord& row);
  int CollectRow(Collected& collected, const std::filesystem::path& folder, std::string_view documentName,
                 std::string row);
  void Finish(ExportSummary& summary);
  void WriteCollected(Collected& collected, const DocumentTemplate& document, ExportSummary& summary);
  void WriteDump(const std::filesystem::path& wanted, bool messages, ExportSummary& summary);

  const CScanResultsModel& model_;
  IPhoneRecoveryParse& parser_;
  const ExportTemplates& templates_;
  std::filesystem::path out_;
  std::time_t startTime_ = 0;

  // Per run.
  IItemProgress* progress_ = nullptr;
  std::string stamp_;
  std::u16string wideStamp_;
  bool messagesWritten_ = false;
  Collected contacts_, calls_, notes_;
};

}  // namespace vesmar
