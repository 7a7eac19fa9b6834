#include "results/row_preparation.h"

#include <algorithm>

#include "recovery/extension_lists.h"

namespace vesmar {

namespace {

template <class Record>
bool IsDeletedRecord(const Record& r) {
  return r.status == RecordStatus::Deleted;
}

template <class Map, class SetKey>
auto LastMessageRows(const Map& map, SetKey setKey) {
  std::vector<typename Map::mapped_type::value_type> rows;
  rows.reserve(map.size());
  for (const auto& [key, messages] : map) {
    if (messages.empty()) continue;
    auto& row = rows.emplace_back(messages.back());
    setKey(row, key);
    if (std::any_of(messages.begin(), messages.end(), IsDeletedRecord<typename decltype(rows)::value_type>))
      row.status = RecordStatus::Deleted;
  }
  DeletedFirst(rows);
  return rows;
}

}  // namespace

template <class Record>
void DeletedFirst(std::vector<Record>& records) {
  std::stable_partition(records.begin(), records.end(), IsDeletedRecord<Record>);
}

template void DeletedFirst(std::vector<ContactRecord>&);
template void DeletedFirst(std::vector<NoteRecord>&);
template void DeletedFirst(std::vector<CallRecord>&);
template void DeletedFirst(std::vector<MessageRecord>&);
template void DeletedFirst(std::vector<WhatsAppMessageRecord>&);

std::vector<MessageRecord> ConversationRows(const MessageMap& conversations) {
  return LastMessageRows(conversations, [](MessageRecord& row, std::int32_t key) { row.handleId = key; });
}

std::vector<WhatsAppMessageRecord> ChatRows(const WhatsAppChatMap& chats) {
  return LastMessageRows(chats, [](WhatsAppMessageRecord& row, std::int32_t key) { row.chatId = key; });
}

void PrepareCallRows(std::vector<CallRecord>& calls) {
  std::stable_sort(calls.begin(), calls.end(), [](const CallRecord& a, const CallRecord& b) { return a.date > b.date; });
  DeletedFirst(calls);
}

void SplitAppFiles(const AppFileList& files, AppFileMap& photos, AppFileMap& videos) {
  for (const auto& file : files) {
    AppFileMap& target = IsVideoOrAudioFileName(file.displayName) ? videos : photos;
    target[file.appName].push_back(file);
  }
}

}  // namespace vesmar
