#include "results/list_rows.h"

#include <type_traits>

#include "recovery/extension_lists.h"
#include "results/display_texts.h"

namespace vesmar {

namespace {

using C = RecoveryCategory;

std::u16string Ascii(std::string_view text) { return std::u16string(text.begin(), text.end()); }

RowIcon FileIcon(std::u16string_view name) {
  return ExtensionInList(FileExtensionLower(name), kVideoExtensions) ? RowIcon::Video : RowIcon::Picture;
}

RowIcon StatusIcon(RecordStatus status) {
  return status == RecordStatus::Deleted ? RowIcon::DeletedMark : RowIcon::None;
}

template <class Record>
ListRow StatusRow(const Record& r, std::vector<std::u16string> cells) {
  const bool deleted = r.status == RecordStatus::Deleted;
  return {std::move(cells), StatusIcon(r.status), deleted};
}

ListRow Row(C category, const MediaFileRecord& r) {
  const RowIcon icon = category == C::WhatsAppAttachments ? FileIcon(r.displayName) : RowIcon::Picture;
  return {{r.displayName, Ascii(SizeText(r.size))}, icon, false};
}
ListRow Row(C, const AttachmentFileRecord& r) {
  return {{r.displayName, Ascii(SizeText(r.size))}, FileIcon(r.displayName), false};
}
ListRow Row(C, const AppFileRecord& r) {
  return {{r.displayName, r.appName, Ascii(SizeText(r.size))}, FileIcon(r.displayName), false};
}
ListRow Row(C, const MessageRecord& r) { return StatusRow(r, {r.contactName, r.address, r.date, r.text}); }
ListRow Row(C, const ContactRecord& r) { return StatusRow(r, {r.name, r.company, r.phones, r.emails, r.url}); }
ListRow Row(C, const CallRecord& r) {
  return StatusRow(r, {r.name, r.address, r.date, Ascii(CallDirectionText(r)), Ascii(CallDurationText(r)),
                       Ascii(RecordStateText(r.status))});
}
ListRow Row(C, const NoteRecord& r) { return StatusRow(r, {r.title, r.date, r.content}); }
ListRow Row(C, const WhatsAppMessageRecord& r) {
  return StatusRow(r, {r.chatName, r.memberNames.empty() ? r.senderName : r.memberNames,
                       r.memberPhones.empty() ? r.senderPhone : r.memberPhones});
}

}  // namespace

std::vector<ListColumn> ListColumns(RecoveryCategory category, bool insideApp) {
  switch (category) {
    case C::CameraRoll:
    case C::PhotoStream: return {{"File Name", 200}, {"File Size", 0}};
    case C::AppPhotos:
    case C::AppVideos:
      if (insideApp) return {{"File Name", 200}, {"App Name", 200}, {"Size", 0}};
      return {{"App Name", 300}, {"Type", 0}};
    case C::Messages: return {{"User Name", 100}, {"Phone Number", 100}, {"Date", 120}, {"Message", 0}};
    case C::MessagesAttachments:
    case C::WhatsAppAttachments: return {{"File Name", 300}, {"File Size", 0}};
    case C::Contacts:
      return {{"Name", 100, true}, {"Company", 100}, {"Phone", 100, true}, {"Email", 100, true}, {"Home Page", 0}};
    case C::CallHistory:
      return {{"User Name", 150}, {"Phone Number", 150}, {"Date", 130},
              {"Call Status", 100}, {"Duration", 100}, {"Status", 0}};
    case C::Notes: return {{"Title", 100}, {"Date", 110}, {"Note", 0}};
    case C::WhatsApp: return {{"Chats", 150}, {"Name", 150, true}, {"Phone", 0, true}};
  }
  return {};
}

ListRow MakeListRow(RecoveryCategory category, const RecordRef& record) {
  return std::visit(
      [category](const auto& value) -> ListRow {
        if constexpr (std::is_same_v<std::decay_t<decltype(value)>, std::monostate>) {
          return {};
        } else {
          return Row(category, *value);
        }
      },
      record);
}

ListRow MakeAppRow(std::u16string_view appName) {
  return {{std::u16string(appName), u"Folder"}, RowIcon::Folder, false};
}

}  // namespace vesmar
