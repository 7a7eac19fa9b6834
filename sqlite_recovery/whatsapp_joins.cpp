#include "sqlite_recovery/whatsapp_joins.h"

#include <algorithm>
#include <unordered_map>

namespace vesmar {

namespace {

constexpr std::u16string_view kMe = u"Me";

// rowid → index of the first record with it; carved records (rowid 0) are left out.
template <typename Record>
std::unordered_map<std::int32_t, std::size_t> FirstByRowid(const std::vector<Record>& records) {
  std::unordered_map<std::int32_t, std::size_t> index;
  index.reserve(records.size());
  for (std::size_t i = 0; i < records.size(); ++i)
    if (records[i].rowid != 0) index.emplace(records[i].rowid, i);
  return index;
}

template <typename Record>
const Record* Lookup(const std::unordered_map<std::int32_t, std::size_t>& index, const std::vector<Record>& records,
                     std::int32_t rowid) {
  const auto found = index.find(rowid);
  return found == index.end() ? nullptr : &records[found->second];
}

}  // namespace

void AddMembersToChats(std::vector<WhatsAppChatRecord>& chats, const std::vector<WhatsAppMemberRecord>& members) {
  std::unordered_map<std::int32_t, std::vector<std::size_t>> byChat;
  for (std::size_t i = 0; i < members.size(); ++i) byChat[members[i].chatId].push_back(i);
  for (auto& chat : chats) {
    if (chat.rowid == 0) continue;
    const auto found = byChat.find(chat.rowid);
    if (found == byChat.end()) continue;
    for (const std::size_t i : found->second) {
      const WhatsAppMemberRecord& member = members[i];
      if (chat.memberPhones.empty()) {
        chat.memberPhones = member.phone;
        chat.memberNames = member.name;
        continue;
      }
      chat.memberPhones += u',';
      chat.memberPhones += member.phone;
      if (!member.name.empty()) {
        chat.memberNames += u',';
        chat.memberNames += member.name;
      }
    }
  }
}

void CompleteWhatsAppMessages(std::vector<WhatsAppMessageRecord>& messages, const std::vector<WhatsAppChatRecord>& chats,
                              const std::vector<WhatsAppMemberRecord>& members,
                              const std::vector<WhatsAppMediaRecord>& media) {
  const auto chatIndex = FirstByRowid(chats);
  const auto memberIndex = FirstByRowid(members);
  const auto mediaIndex = FirstByRowid(media);
  for (auto& message : messages) {
    if (const WhatsAppChatRecord* chat = Lookup(chatIndex, chats, message.chatId)) {
      message.senderPhone = chat->partnerPhone;
      message.senderName = chat->partnerName;
      message.chatName = chat->partnerName;
      message.memberPhones = chat->memberPhones.empty() ? chat->partnerPhone : chat->memberPhones;
      message.memberNames = chat->memberNames.empty() ? chat->partnerName : chat->memberNames;
      // The text of every message stays, also the first of a run of a group's messages: the
      // messages of several chats interleave, and a run says nothing about a message.
      if (message.fromMe) {
        message.senderName = kMe;
        message.senderPhone.clear();
      } else if (message.memberId != 0) {
        if (const WhatsAppMemberRecord* member = Lookup(memberIndex, members, message.memberId)) {
          message.senderName = member->name;
          message.senderPhone = member->phone;
        }
      }
    }
    if (message.mediaId != 0 && message.text.empty())
      if (const WhatsAppMediaRecord* item = Lookup(mediaIndex, media, message.mediaId))
        message.text = item->localPath;
  }
}

void GroupWhatsAppMessages(std::vector<WhatsAppMessageRecord>&& messages, WhatsAppChatMap& grouped) {
  std::vector<WhatsAppMessageRecord> kept;
  kept.reserve(messages.size());
  for (auto& m : messages)
    if (!m.text.empty()) kept.push_back(std::move(m));
  // Date texts are digits and separators only: letter case plays no part.
  std::stable_sort(kept.begin(), kept.end(),
                   [](const WhatsAppMessageRecord& a, const WhatsAppMessageRecord& b) { return a.date < b.date; });
  for (auto& m : kept) grouped[m.chatId].push_back(std::move(m));
  messages.clear();
}

}  // namespace vesmar
