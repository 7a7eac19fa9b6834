#include "sqlite_recovery/message_joins.h"

#include <algorithm>
#include <numeric>
#include <unordered_map>

namespace vesmar {

void LinkAttachments(std::vector<AttachmentRecord>& attachments, const std::vector<AttachmentLinkRecord>& links) {
  std::unordered_map<std::int32_t, std::int32_t> messageOf;  // attachment id → message id, first link
  messageOf.reserve(links.size());
  for (const auto& link : links) messageOf.try_emplace(link.attachmentId, link.messageId);
  for (auto& a : attachments) {
    const auto it = messageOf.find(a.rowid);
    if (it != messageOf.end()) a.messageRowid = it->second;
  }
}

void JoinMessages(std::vector<MessageRecord>& messages, const std::vector<ChatHandleRecord>& handles,
                  const std::vector<AttachmentRecord>& attachments, ContactNameLookup* names) {
  std::unordered_map<std::int32_t, const std::u16string*> addressOf;
  addressOf.reserve(handles.size());
  for (const auto& h : handles)
    if (h.rowid != 0) addressOf.try_emplace(h.rowid, &h.address);
  std::unordered_map<std::int32_t, const std::u16string*> attachmentOf;
  attachmentOf.reserve(attachments.size());
  for (const auto& a : attachments)
    if (a.messageRowid != 0) attachmentOf.try_emplace(a.messageRowid, &a.fileName);

  for (auto& m : messages) {
    if (const auto it = addressOf.find(m.handleId); it != addressOf.end()) m.address = *it->second;
    if (names && !m.address.empty())
      if (const std::u16string* name = names->Find(m.address)) m.contactName = *name;
    if (m.rowid != 0)
      if (const auto it = attachmentOf.find(m.rowid); it != attachmentOf.end()) m.attachment = *it->second;
  }
}

void GroupMessages(std::vector<MessageRecord>&& messages, MessageMap& grouped) {
  // Dates are digits and separators only, so comparing them exactly orders them as comparing
  // without regard to letter case would. The order is found on indexes, so each record moves
  // once, into its conversation.
  std::vector<std::uint32_t> order(messages.size());
  std::iota(order.begin(), order.end(), 0u);
  std::stable_sort(order.begin(), order.end(),
                   [&messages](std::uint32_t a, std::uint32_t b) { return messages[a].date < messages[b].date; });
  for (const std::uint32_t i : order) {
    MessageRecord& m = messages[i];
    grouped[m.handleId].push_back(std::move(m));
  }
  messages.clear();
}

}  // namespace vesmar
