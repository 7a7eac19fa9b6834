#include "sqlite_recovery/whatsapp_parsers.h"

#include <algorithm>

#include "recovery/result_codes.h"
#include "sqlite_recovery/date_text.h"
#include "sqlite_recovery/sqlite_recovery_file.h"

namespace vesmar {

WhatsAppColumns WhatsAppColumnsFor(std::int32_t messageColumnCount) {
  WhatsAppColumns m;
  if (messageColumnCount < kNewerWhatsAppMessageColumns) {
    m.message.mediaId = -1;
    m.message.requireChatMemberOrDate = false;
  }
  return m;
}

std::u16string JidUser(std::u16string_view jid, bool wholeWithoutAt) {
  const std::size_t at = jid.find(u'@');
  if (at == std::u16string_view::npos) return wholeWithoutAt ? std::u16string(jid) : std::u16string();
  return std::u16string(jid.substr(0, at));
}

int WhatsAppParser::ParseMessage(CSqliteRecoveryFile& file, const RecordBytes& record,
                                 std::vector<WhatsAppMessageRecord>& out) {
  const auto& m = columns_.message;
  RecordCursor row = reader_.Open(file, record);
  WhatsAppMessageRecord r;
  r.status = record.status;
  r.rowid = RecordRowid(row);
  r.chatId = -1;
  bool hasChat = false, hasMember = false;
  const std::int32_t last = std::max({m.fromMe, m.chatId, m.memberId, m.mediaId, m.date, m.text});
  for (Column c; row.Next(c) && c.index <= last;) {
    if (c.IsText() && !c.complete()) return result::kInvalid;
    if (c.index == m.fromMe) {
      if (c.serialType == 9) r.fromMe = 1;
    } else if (c.index == m.chatId) {
      hasChat = SmallInteger(c, r.chatId);
    } else if (c.index == m.memberId) {
      hasMember = SmallInteger(c, r.memberId);
    } else if (c.index == m.mediaId) {
      SmallInteger(c, r.mediaId);
    } else if (c.index == m.date) {
      if (c.IsSmallInteger() && c.complete()) r.date = AppleDateText(c.Integer());
      else if (c.IsReal() && c.complete()) r.date = AppleDateTextFromDouble(c.Real());
    } else if (c.index == m.text && c.IsText() && !ReadCleanText(c, r.text)) {
      return result::kInvalid;
    }
  }
  if (m.requireChatMemberOrDate && !hasChat && !hasMember && r.date.empty()) return result::kInvalid;
  out.push_back(std::move(r));
  return result::kOk;
}

int WhatsAppParser::ParseChat(CSqliteRecoveryFile& file, const RecordBytes& record,
                              std::vector<WhatsAppChatRecord>& out) {
  const auto& m = columns_.chat;
  RecordCursor row = reader_.Open(file, record);
  WhatsAppChatRecord r;
  r.rowid = RecordRowid(row);
  std::u16string jid;
  for (Column c; row.Next(c) && c.index <= std::max(m.partnerJid, m.partnerName);) {
    if (c.IsText() && !c.complete()) return result::kInvalid;
    if (c.index == m.partnerJid && c.IsText() && !ReadCleanText(c, jid)) return result::kInvalid;
    if (c.index == m.partnerName && c.IsText() && !ReadCleanText(c, r.partnerName)) return result::kInvalid;
  }
  r.partnerPhone = JidUser(jid, /*wholeWithoutAt=*/false);
  out.push_back(std::move(r));
  return result::kOk;
}

int WhatsAppParser::ParseMember(CSqliteRecoveryFile& file, const RecordBytes& record,
                                std::vector<WhatsAppMemberRecord>& out) {
  const auto& m = columns_.member;
  RecordCursor row = reader_.Open(file, record);
  WhatsAppMemberRecord r;
  r.rowid = RecordRowid(row);
  r.chatId = -1;
  std::u16string jid;
  for (Column c; row.Next(c) && c.index <= std::max({m.chatId, m.name, m.memberJid});) {
    if (c.IsText() && !c.complete()) return result::kInvalid;
    if (c.index == m.chatId) SmallInteger(c, r.chatId);
    else if (c.index == m.name && c.IsText() && !ReadCleanText(c, r.name)) return result::kInvalid;
    else if (c.index == m.memberJid && c.IsText() && !ReadCleanText(c, jid)) return result::kInvalid;
  }
  r.phone = JidUser(jid, /*wholeWithoutAt=*/true);
  out.push_back(std::move(r));
  return result::kOk;
}

int WhatsAppParser::ParseMedia(CSqliteRecoveryFile& file, const RecordBytes& record,
                               std::vector<WhatsAppMediaRecord>& out) {
  const auto& m = columns_.media;
  RecordCursor row = reader_.Open(file, record);
  WhatsAppMediaRecord r;
  r.rowid = RecordRowid(row);
  for (Column c; row.Next(c) && c.index <= m.localPath;) {
    if (c.IsText() && !c.complete()) return result::kInvalid;
    if (c.index == m.localPath && c.IsText() && !ReadCleanText(c, r.localPath)) return result::kInvalid;
  }
  out.push_back(std::move(r));
  return result::kOk;
}

}  // namespace vesmar
