// The results of one scan as the scan view, the preview, the export and the print read them:
// the containers the scan fills, the rows derived from them, the selection statistics and the
// deleted-items filter of each category. No window code: the scan view binds to it.
//
// Threads: the scan worker fills Raw() one step at a time; CompleteCategory and everything
// else run on one thread (the window thread), only for categories whose step has finished.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "recovery/phone_recovery_parse.h"
#include "recovery/recovery_category.h"
#include "recovery/scan_run.h"
#include "results/default_texts.h"
#include "results/statistics.h"

namespace vesmar {

// The categories that step 0-8 of a scan fills, in completion order.
std::span<const RecoveryCategory> CategoriesOfStep(int step);

// The categories with a deleted-items filter (their records can be deleted).
bool IsFilterableCategory(RecoveryCategory category);

class CScanResultsModel {
 public:
  CScanResultsModel() = default;
  CScanResultsModel(const CScanResultsModel&) = delete;
  CScanResultsModel& operator=(const CScanResultsModel&) = delete;

  // What the scan fills. Hand it to RunCategorySteps.
  ScanResults& Raw() { return raw_; }
  const ScanResults& Raw() const { return raw_; }

  // Runs the category steps of an opened parser and completes each category as its step ends,
  // on the calling thread (the command line). Returns RunCategorySteps' result.
  int RunScan(IPhoneRecoveryParse& parser);

  // After step `step` has ended: completes each of its categories.
  void CompleteStep(int step);

  // Prepares the category's rows, adds it to the statistics and, when it has items, selects
  // them all. A second call does nothing. Returns the category's item count.
  std::size_t CompleteCategory(RecoveryCategory category);
  bool IsCompleted(RecoveryCategory category) const { return statistics_.HasCategory(category); }

  // The containers, in the order the lists show them.
  const MediaFileList& CameraRoll() const { return raw_.cameraRoll; }
  const MediaFileList& PhotoStream() const { return raw_.photoStream; }
  const AppFileMap& AppPhotos() const { return appPhotos_; }
  const AppFileMap& AppVideos() const { return appVideos_; }
  const std::vector<MessageRecord>& ConversationRows() const { return conversationRows_; }
  const AttachmentFileList& MessageAttachments() const { return raw_.messageAttachments; }
  const std::vector<ContactRecord>& Contacts() const { return raw_.contacts; }
  const std::vector<CallRecord>& Calls() const { return raw_.calls; }
  const std::vector<NoteRecord>& Notes() const { return raw_.notes; }
  const std::vector<WhatsAppMessageRecord>& ChatRows() const { return chatRows_; }
  const MediaFileList& WhatsAppAttachments() const { return raw_.whatsAppAttachments; }

  // The messages of a conversation (handle id of its row) or chat (chat id), oldest first;
  // an empty list for an unknown key.
  const std::vector<MessageRecord>& ConversationMessages(std::int32_t handleId) const;
  const std::vector<WhatsAppMessageRecord>& ChatMessages(std::int32_t chatId) const;

  // Every record of a completed category in list order (the app categories: app by app).
  void ForEachRecord(RecoveryCategory category, const std::function<void(const RecordRef&)>& visit) const;

  CStatisticsObj& Statistics() { return statistics_; }
  const CStatisticsObj& Statistics() const { return statistics_; }

  // The deleted-items filter of a category: when on, its non-deleted records are hidden (they
  // stay selected but leave the selected counts and are neither exported nor printed).
  bool DeletedOnly(RecoveryCategory category) const;
  void SetDeletedOnly(RecoveryCategory category, bool on);

  // An entry is exported or printed when it is a selected, visible record.
  bool IsChosen(const void* record) const;

  // Texts and states of the scan view.
  // MSG0514 filled with selected size, selected visible items, total size, total items.
  std::u16string StatisticsLine(std::u16string_view format = default_text::kStatisticsLine) const;
  // "Files Filtered: %d item(s)" with the deleted count of the category.
  std::u16string FilterCountText(RecoveryCategory category) const;
  // The count in the category's tree node.
  std::size_t TreeCount(RecoveryCategory category) const;
  // Recover may be clicked when the scan is idle or paused and a selected item is visible.
  bool RecoverEnabled(bool idleOrPaused) const;

  // Empties every container, the statistics and the filters.
  void Reset();

 private:
  ScanResults raw_;
  AppFileMap appPhotos_;
  AppFileMap appVideos_;
  bool appFilesSplit_ = false;
  std::vector<MessageRecord> conversationRows_;
  std::vector<WhatsAppMessageRecord> chatRows_;
  CStatisticsObj statistics_;
  std::array<bool, 12> deletedOnly_{};
};

}  // namespace vesmar
