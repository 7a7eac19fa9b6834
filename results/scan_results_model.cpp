#include "results/scan_results_model.h"

#include "results/display_texts.h"
#include "results/message_format.h"
#include "results/row_preparation.h"

namespace vesmar {

namespace {

using C = RecoveryCategory;

constexpr C kStep0[] = {C::CameraRoll, C::PhotoStream};
constexpr C kStep1[] = {C::Messages};
constexpr C kStep2[] = {C::MessagesAttachments};
constexpr C kStep3[] = {C::Contacts};
constexpr C kStep4[] = {C::CallHistory};
constexpr C kStep5[] = {C::Notes};
constexpr C kStep6[] = {C::AppPhotos, C::AppVideos};
constexpr C kStep7[] = {C::WhatsApp};
constexpr C kStep8[] = {C::WhatsAppAttachments};
constexpr std::span<const C> kSteps[] = {kStep0, kStep1, kStep2, kStep3, kStep4,
                                         kStep5, kStep6, kStep7, kStep8};

std::size_t Slot(C category) {
  const auto code = static_cast<std::size_t>(category);
  return code < 12 ? code : 0;
}

template <class Records>
void VisitAll(const Records& records, const std::function<void(const RecordRef&)>& visit) {
  for (const auto& record : records) visit(RecordRef(&record));
}

void VisitApps(const AppFileMap& apps, const std::function<void(const RecordRef&)>& visit) {
  for (const auto& [name, files] : apps) VisitAll(files, visit);
}

std::u16string Widen(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

}  // namespace

std::span<const RecoveryCategory> CategoriesOfStep(int step) {
  if (step < 0 || step >= static_cast<int>(std::size(kSteps))) return {};
  return kSteps[step];
}

bool IsFilterableCategory(RecoveryCategory category) {
  return category == C::Messages || category == C::Contacts || category == C::CallHistory ||
         category == C::Notes || category == C::WhatsApp;
}

int CScanResultsModel::RunScan(IPhoneRecoveryParse& parser) {
  return RunCategorySteps(parser, raw_, [this](int step) { CompleteStep(step); });
}

void CScanResultsModel::CompleteStep(int step) {
  for (const C category : CategoriesOfStep(step)) CompleteCategory(category);
}

std::size_t CScanResultsModel::CompleteCategory(RecoveryCategory category) {
  if (!statistics_.HasCategory(category)) {
    switch (category) {
      case C::CameraRoll: statistics_.AddCategory(category, raw_.cameraRoll); break;
      case C::PhotoStream: statistics_.AddCategory(category, raw_.photoStream); break;
      case C::AppPhotos:
      case C::AppVideos:
        if (!appFilesSplit_) {
          SplitAppFiles(raw_.appFiles, appPhotos_, appVideos_);
          appFilesSplit_ = true;
        }
        statistics_.AddCategory(category, category == C::AppPhotos ? appPhotos_ : appVideos_);
        break;
      case C::Messages:
        conversationRows_ = vesmar::ConversationRows(raw_.messages);
        statistics_.AddCategory(category, conversationRows_);
        break;
      case C::MessagesAttachments: statistics_.AddCategory(category, raw_.messageAttachments); break;
      case C::Contacts:
        DeletedFirst(raw_.contacts);
        statistics_.AddCategory(category, raw_.contacts);
        break;
      case C::CallHistory:
        PrepareCallRows(raw_.calls);
        statistics_.AddCategory(category, raw_.calls);
        break;
      case C::Notes:
        DeletedFirst(raw_.notes);
        statistics_.AddCategory(category, raw_.notes);
        break;
      case C::WhatsApp:
        chatRows_ = vesmar::ChatRows(raw_.whatsApp);
        statistics_.AddCategory(category, chatRows_);
        break;
      case C::WhatsAppAttachments: statistics_.AddCategory(category, raw_.whatsAppAttachments); break;
    }
    if (statistics_.CategoryCounts(category).total > 0) statistics_.SelectCategory(category, true);
    if (DeletedOnly(category)) SetDeletedOnly(category, true);  // a filter set before the rows came
  }
  return statistics_.CategoryCounts(category).total;
}

const std::vector<MessageRecord>& CScanResultsModel::ConversationMessages(std::int32_t handleId) const {
  static const std::vector<MessageRecord> kNone;
  const auto it = raw_.messages.find(handleId);
  return it == raw_.messages.end() ? kNone : it->second;
}

const std::vector<WhatsAppMessageRecord>& CScanResultsModel::ChatMessages(std::int32_t chatId) const {
  static const std::vector<WhatsAppMessageRecord> kNone;
  const auto it = raw_.whatsApp.find(chatId);
  return it == raw_.whatsApp.end() ? kNone : it->second;
}

void CScanResultsModel::ForEachRecord(RecoveryCategory category,
                                      const std::function<void(const RecordRef&)>& visit) const {
  if (!IsCompleted(category)) return;
  switch (category) {
    case C::CameraRoll: return VisitAll(raw_.cameraRoll, visit);
    case C::PhotoStream: return VisitAll(raw_.photoStream, visit);
    case C::AppPhotos: return VisitApps(appPhotos_, visit);
    case C::AppVideos: return VisitApps(appVideos_, visit);
    case C::Messages: return VisitAll(conversationRows_, visit);
    case C::MessagesAttachments: return VisitAll(raw_.messageAttachments, visit);
    case C::Contacts: return VisitAll(raw_.contacts, visit);
    case C::CallHistory: return VisitAll(raw_.calls, visit);
    case C::Notes: return VisitAll(raw_.notes, visit);
    case C::WhatsApp: return VisitAll(chatRows_, visit);
    case C::WhatsAppAttachments: return VisitAll(raw_.whatsAppAttachments, visit);
  }
}

bool CScanResultsModel::DeletedOnly(RecoveryCategory category) const { return deletedOnly_[Slot(category)]; }

void CScanResultsModel::SetDeletedOnly(RecoveryCategory category, bool on) {
  if (!IsFilterableCategory(category)) return;
  deletedOnly_[Slot(category)] = on;
  ForEachRecord(category, [&](const RecordRef& ref) {
    const void* key = RecordIdentity(ref);
    const auto* entry = statistics_.Find(key);
    if (entry && !entry->deleted) statistics_.SetHidden(key, on);
  });
}

bool CScanResultsModel::IsChosen(const void* record) const {
  const auto* entry = statistics_.Find(record);
  return entry && !entry->isGroup && entry->selected && !entry->hidden;
}

std::u16string CScanResultsModel::StatisticsLine(std::u16string_view format) const {
  // Before any category arrives the line keeps the layout's "0 MB" rather than "0 Bytes".
  const bool nothingYet = statistics_.Root().children.empty();
  const auto size = [&](std::uint64_t bytes) { return nothingYet ? std::u16string(u"0 MB") : Widen(SizeText(bytes)); };
  return FormatMessage(format, {size(statistics_.SelectedBytes()),
                                static_cast<std::int64_t>(statistics_.SelectedVisibleItems()),
                                size(statistics_.TotalBytes()),
                                static_cast<std::int64_t>(statistics_.TotalItems())});
}

std::u16string CScanResultsModel::FilterCountText(RecoveryCategory category) const {
  return FormatMessage(u"Files Filtered: %d item(s)",
                       {static_cast<std::int64_t>(statistics_.CategoryCounts(category).deleted)});
}

std::size_t CScanResultsModel::TreeCount(RecoveryCategory category) const {
  return statistics_.CategoryCounts(category).total;
}

bool CScanResultsModel::RecoverEnabled(bool idleOrPaused) const {
  return idleOrPaused && statistics_.SelectedVisibleItems() > 0;
}

void CScanResultsModel::Reset() {
  statistics_.Clear();
  raw_ = ScanResults{};
  appPhotos_.clear();
  appVideos_.clear();
  appFilesSplit_ = false;
  conversationRows_.clear();
  chatRows_.clear();
  deletedOnly_.fill(false);
}

}  // namespace vesmar
