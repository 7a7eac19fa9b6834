#include "sqlite_recovery/whatsapp_driver.h"

#include <vector>

#include "sqlite_recovery/sqlite_recovery_file.h"
#include "sqlite_recovery/table_driver.h"
#include "sqlite_recovery/table_probe.h"
#include "sqlite_recovery/whatsapp_joins.h"
#include "sqlite_recovery/whatsapp_parsers.h"

namespace vesmar {

namespace {


template <typename Record>
int RecoverInto(CSqliteRecoveryFile& file, std::string_view table, const WhatsAppColumns& columns,
                int (WhatsAppParser::*parse)(CSqliteRecoveryFile&, const RecordBytes&, std::vector<Record>&),
                std::vector<Record>& out) {
  WhatsAppParser parser(columns, file.ExpectedColumnCount(table));
  return RecoverTable(file, table, [&](CSqliteRecoveryFile& f, const RecordBytes& record) {
    return (parser.*parse)(f, record, out);
  });
}

}  // namespace

int RecoverWhatsApp(const std::filesystem::path& chatDb, WhatsAppChatMap& grouped, const ParseContext& context) {
  TableProbe probe;
  if (const int rc = ProbeTable(chatDb, kWhatsAppMessageTable, probe)) return rc;
  if (!probe.queryable) return kChatQueryFailed;

  CSqliteRecoveryFile file;
  file.settings.ios12OrLater = context.newSchema;
  // The declared count, also for a table without rows: its deleted rows have that many columns.
  file.settings.whatsAppMessageColumnCount = probe.columns;
  if (const int rc = file.OpenDatabaseFile(chatDb)) return rc;
  const WhatsAppColumns columns = WhatsAppColumnsFor(probe.columns);

  int code = 0;
  const auto note = [&code](int rc) {
    if (code == 0) code = rc;
  };
  std::vector<WhatsAppMediaRecord> media;
  note(RecoverInto(file, kWhatsAppMediaTable, columns, &WhatsAppParser::ParseMedia, media));
  std::vector<WhatsAppChatRecord> chats;
  note(RecoverInto(file, kWhatsAppChatTable, columns, &WhatsAppParser::ParseChat, chats));
  std::vector<WhatsAppMemberRecord> members;
  note(RecoverInto(file, kWhatsAppMemberTable, columns, &WhatsAppParser::ParseMember, members));
  AddMembersToChats(chats, members);
  const std::int32_t base = context.progressReached;
  const std::int32_t step = context.stepWidth;
  if (const int answer = context.Report(base + step / 4)) return answer;

  std::vector<WhatsAppMessageRecord> messages;
  note(RecoverInto(file, kWhatsAppMessageTable, columns, &WhatsAppParser::ParseMessage, messages));
  file.Close();
  if (const int answer = context.Report(base + step * 3 / 4)) return answer;

  CompleteWhatsAppMessages(messages, chats, members, media);
  GroupWhatsAppMessages(std::move(messages), grouped);
  return code;
}

}  // namespace vesmar
