// libFuzzer target: a mutated database is opened from memory and read by the record parsers of
// every driver (messages, contacts, calls, notes, WhatsApp), whose records then go through the
// drivers' joins, as the scan does with a damaged database of a backup.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "sqlite_recovery/call_parser.h"
#include "sqlite_recovery/contact_name_lookup.h"
#include "sqlite_recovery/contact_parser.h"
#include "sqlite_recovery/contacts_driver.h"
#include "sqlite_recovery/message_joins.h"
#include "sqlite_recovery/message_parsers.h"
#include "sqlite_recovery/note_parsers.h"
#include "sqlite_recovery/notes_driver.h"
#include "sqlite_recovery/sqlite_recovery_file.h"
#include "sqlite_recovery/table_driver.h"
#include "sqlite_recovery/whatsapp_joins.h"
#include "sqlite_recovery/whatsapp_parsers.h"

namespace {

using namespace vesmar;

template <typename Record, typename Parse>
void Recover(CSqliteRecoveryFile& file, std::string_view table, std::vector<Record>& out, Parse parse) {
  RecoverTable(file, table, [&](CSqliteRecoveryFile& f, const RecordBytes& record) { return parse(f, record, out); });
}

void Messages(CSqliteRecoveryFile& file, const std::vector<ContactRecord>& contacts) {
  std::vector<MessageRecord> messages;
  std::vector<ChatHandleRecord> handles;
  std::vector<AttachmentRecord> attachments;
  std::vector<AttachmentLinkRecord> links;
  Recover(file, "message", messages, ParseMessageRecord);
  Recover(file, "handle", handles, ParseChatHandleRecord);
  Recover(file, "attachment", attachments, ParseAttachmentRecord);
  Recover(file, "message_attachment_join", links, ParseAttachmentLinkRecord);
  LinkAttachments(attachments, links);
  ContactNameLookup names(contacts);
  JoinMessages(messages, handles, attachments, &names);
  MessageMap grouped;
  GroupMessages(std::move(messages), grouped);
}

void Calls(CSqliteRecoveryFile& file, bool ios12) {
  for (const std::int32_t kind : {0, 1}) {
    file.settings.callTableKind = kind;
    CallRecordParser parser(CallColumnsFor(kind, ios12));
    std::vector<CallRecord> calls;
    Recover(file, kind == 1 ? kCallRecordTable : kCallTable, calls,
            [&parser](CSqliteRecoveryFile& f, const RecordBytes& r, std::vector<CallRecord>& out) {
              return parser.Parse(f, r, out);
            });
  }
}

void Notes(CSqliteRecoveryFile& file) {
  const NoteColumns columns = NoteColumnsFor();
  NoteBodyParser bodyParser(columns, file.ExpectedColumnCount(kNoteBodyTable));
  NoteParser noteParser(columns);
  std::vector<NoteRecord> bodies, notes;
  Recover(file, kNoteBodyTable, bodies, [&](CSqliteRecoveryFile& f, const RecordBytes& r, std::vector<NoteRecord>& out) {
    return bodyParser.Parse(f, r, out);
  });
  Recover(file, kNoteTable, notes, [&](CSqliteRecoveryFile& f, const RecordBytes& r, std::vector<NoteRecord>& out) {
    return noteParser.Parse(f, r, out);
  });
  JoinNotes(bodies, std::move(notes));
}

void WhatsApp(CSqliteRecoveryFile& file, std::int32_t messageColumns) {
  file.settings.whatsAppMessageColumnCount = messageColumns;
  const WhatsAppColumns columns = WhatsAppColumnsFor(messageColumns);
  auto run = [&](std::string_view table, auto parse, auto& out) {
    WhatsAppParser parser(columns, file.ExpectedColumnCount(table));
    RecoverTable(file, table, [&](CSqliteRecoveryFile& f, const RecordBytes& r) { return (parser.*parse)(f, r, out); });
  };
  std::vector<WhatsAppMediaRecord> media;
  std::vector<WhatsAppChatRecord> chats;
  std::vector<WhatsAppMemberRecord> members;
  std::vector<WhatsAppMessageRecord> messages;
  run(kWhatsAppMediaTable, &WhatsAppParser::ParseMedia, media);
  run(kWhatsAppChatTable, &WhatsAppParser::ParseChat, chats);
  run(kWhatsAppMemberTable, &WhatsAppParser::ParseMember, members);
  AddMembersToChats(chats, members);
  run(kWhatsAppMessageTable, &WhatsAppParser::ParseMessage, messages);
  CompleteWhatsAppMessages(messages, chats, members, media);
  WhatsAppChatMap grouped;
  GroupWhatsAppMessages(std::move(messages), grouped);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CSqliteRecoveryFile file;
  if (file.OpenDatabaseBuffer(data, size) != 0) return 0;
  // The device's version moves columns of the contact and call tables; the input's last byte
  // picks one, so both layouts are fuzzed.
  const bool ios12 = (data[size - 1] & 1) != 0;
  file.settings.ios12OrLater = ios12 ? 1 : 0;

  std::vector<ContactRecord> contacts;
  RecoverContactRows(file, contacts);
  Messages(file, contacts);
  for (auto& contact : contacts) contact.phones = CleanPhoneList(contact.phones);
  Calls(file, ios12);
  Notes(file);
  WhatsApp(file, (data[size - 1] & 2) != 0 ? 34 : 23);
  return 0;
}
