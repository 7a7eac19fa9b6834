#include "sqlite_recovery/messages_driver.h"

#include <optional>
#include <vector>

#include "sqlite_recovery/contact_parser.h"
#include "sqlite_recovery/message_joins.h"
#include "sqlite_recovery/message_parsers.h"
#include "sqlite_recovery/sqlite_recovery_file.h"
#include "sqlite_recovery/table_driver.h"

namespace vesmar {

namespace {

template <typename Record, typename Parse>
int RecoverInto(CSqliteRecoveryFile& file, std::string_view table, std::vector<Record>& out, Parse parse) {
  return RecoverTable(file, table,
                      [&out, parse](CSqliteRecoveryFile& f, const RecordBytes& record) { return parse(f, record, out); });
}

}  // namespace

int RecoverMessages(const std::filesystem::path& messagesDb, const std::filesystem::path& addressBook,
                    MessageMap& grouped, const ParseContext& context, std::uint64_t& highestRowid) {
  const std::int32_t base = context.progressReached;
  const std::int32_t step = context.stepWidth;
  const auto finish = [&](int code) {
    const int answer = context.Report(base + step);
    return context.callback ? answer : code;
  };
  int firstError = 0;
  const auto note = [&firstError](int code) {
    if (firstError == 0) firstError = code;
  };

  CSqliteRecoveryFile file;
  file.settings.ios12OrLater = context.newSchema;
  if (const int rc = file.OpenDatabaseFile(messagesDb)) return finish(rc);

  std::vector<MessageRecord> messages;
  note(RecoverInto(file, "message", messages, ParseMessageRecord));
  highestRowid = file.settings.highestRowid;
  if (const int answer = context.Report(base + step / 5)) return finish(answer);

  std::vector<ChatHandleRecord> handles;
  note(RecoverInto(file, "handle", handles, ParseChatHandleRecord));
  if (const int answer = context.Report(base + step / 4)) return finish(answer);

  std::vector<AttachmentRecord> attachments;
  note(RecoverInto(file, "attachment", attachments, ParseAttachmentRecord));
  if (const int answer = context.Report(base + step / 3)) return finish(answer);

  std::vector<AttachmentLinkRecord> links;
  note(RecoverInto(file, "message_attachment_join", links, ParseAttachmentLinkRecord));
  if (const int answer = context.Report(base + step / 2)) return finish(answer);
  LinkAttachments(attachments, links);

  // The names: without an address book the messages still count, they only lack names.
  std::optional<ContactNameLookup> names;
  if (const int rc = file.OpenDatabaseFile(addressBook); rc != 0) {
    note(rc);
  } else {
    std::vector<ContactRecord> contacts;
    note(RecoverContactRows(file, contacts));
    names.emplace(contacts);
  }
  file.Close();
  if (const int answer = context.Report(base + step)) return finish(answer);

  JoinMessages(messages, handles, attachments, names ? &*names : nullptr);
  GroupMessages(std::move(messages), grouped);
  return finish(firstError);
}

}  // namespace vesmar
