#include "cli/json_records.h"

#include <string>

#include "platform/text.h"
#include "recovery/extension_lists.h"

namespace vesmar::cli {

using json = nlohmann::ordered_json;

namespace {

std::string U8(const std::u16string& text) { return Utf16ToUtf8(text); }
const char* Status(RecordStatus s) { return RecordStatusName(s); }

json FileJson(std::uint64_t size, const std::u16string& name, const std::filesystem::path& path) {
  return {{"size", size}, {"displayName", U8(name)}, {"fullPath", path.string()}};
}

json ToJson(const MediaFileRecord& r) { return FileJson(r.size, r.displayName, r.fullPath); }
json ToJson(const AttachmentFileRecord& r) {
  json j = FileJson(r.size, r.displayName, r.fullPath);
  j["mark"] = r.mark;
  return j;
}
json ToJson(const AppFileRecord& r) {
  json j = FileJson(r.size, r.displayName, r.fullPath);
  j["appName"] = U8(r.appName);
  return j;
}
json ToJson(const MessageRecord& r) {
  return {{"status", Status(r.status)}, {"fromMe", r.fromMe},       {"rowid", r.rowid},
          {"handleId", r.handleId},     {"date", U8(r.date)},       {"address", U8(r.address)},
          {"contactName", U8(r.contactName)}, {"text", U8(r.text)}, {"attachment", U8(r.attachment)}};
}
json ToJson(const ContactRecord& r) {
  return {{"status", Status(r.status)}, {"name", U8(r.name)},       {"company", U8(r.company)},
          {"phones", U8(r.phones)},     {"emails", U8(r.emails)},   {"address", U8(r.address)},
          {"social", U8(r.social)},     {"url", U8(r.url)}};
}
json ToJson(const CallRecord& r) {
  return {{"status", Status(r.status)}, {"incoming", r.incoming}, {"duration", r.duration},
          {"date", U8(r.date)},         {"address", U8(r.address)}, {"name", U8(r.name)}};
}
json ToJson(const NoteRecord& r) {
  return {{"status", Status(r.status)}, {"link", r.link}, {"date", U8(r.date)},
          {"title", U8(r.title)},       {"content", U8(r.content)}};
}
json ToJson(const WhatsAppMessageRecord& r) {
  return {{"status", Status(r.status)},       {"fromMe", r.fromMe},
          {"rowid", r.rowid},                 {"chatId", r.chatId},
          {"memberId", r.memberId},           {"mediaId", r.mediaId},
          {"date", U8(r.date)},               {"senderName", U8(r.senderName)},
          {"senderPhone", U8(r.senderPhone)}, {"text", U8(r.text)},
          {"memberNames", U8(r.memberNames)}, {"memberPhones", U8(r.memberPhones)},
          {"chatName", U8(r.chatName)}};
}

template <typename List>
json ListJson(const List& list) {
  json out = json::array();
  for (const auto& r : list) out.push_back(ToJson(r));
  return out;
}

template <typename Map>
json GroupedJson(const Map& map) {
  json out = json::array();
  for (const auto& [key, records] : map) out.push_back({{"key", key}, {"messages", ListJson(records)}});
  return out;
}

template <typename List>
std::pair<std::size_t, std::size_t> StatusCounts(const List& list) {
  std::size_t live = 0, deleted = 0;
  for (const auto& r : list) (r.status == RecordStatus::Deleted ? deleted : live)++;
  return {live, deleted};
}

template <typename Map>
std::pair<std::size_t, std::size_t> GroupedCounts(const Map& map) {
  std::size_t live = 0, deleted = 0;
  for (const auto& [key, records] : map) {
    const auto [l, d] = StatusCounts(records);
    live += l;
    deleted += d;
  }
  return {live, deleted};
}

}  // namespace

json ScanResultsJson(int resultCode, const ScanResults& r) {
  json appPhotos = json::array(), appVideos = json::array();
  for (const auto& file : r.appFiles)
    (IsVideoOrAudioFileName(file.displayName) ? appVideos : appPhotos).push_back(ToJson(file));
  json categories = {
      {"Camera Roll", ListJson(r.cameraRoll)},
      {"Photo Stream", ListJson(r.photoStream)},
      {"App Photos", appPhotos},
      {"App Videos", appVideos},
      {"Messages", GroupedJson(r.messages)},
      {"Messages Attachments", ListJson(r.messageAttachments)},
      {"Contacts", ListJson(r.contacts)},
      {"Call History", ListJson(r.calls)},
      {"Notes", ListJson(r.notes)},
      {"WhatsApp", GroupedJson(r.whatsApp)},
      {"WhatsApp Attachments", ListJson(r.whatsAppAttachments)},
  };
  return {{"result", resultCode}, {"categories", categories}};
}

json ScanFailureJson(int resultCode, const std::string& why) {
  json doc = ScanResultsJson(resultCode, ScanResults{});
  doc["error"] = why;
  return doc;
}

std::string JsonText(const json& value, int indent) {
  return value.dump(indent, ' ', false, json::error_handler_t::replace);
}

std::vector<CategoryCount> CountCategories(const ScanResults& r) {
  std::size_t appVideos = 0;
  for (const auto& file : r.appFiles) appVideos += IsVideoOrAudioFileName(file.displayName) ? 1 : 0;
  const auto messages = GroupedCounts(r.messages);
  const auto contacts = StatusCounts(r.contacts);
  const auto calls = StatusCounts(r.calls);
  const auto notes = StatusCounts(r.notes);
  const auto whatsApp = GroupedCounts(r.whatsApp);
  return {
      {"Camera Roll", r.cameraRoll.size(), 0},
      {"Photo Stream", r.photoStream.size(), 0},
      {"App Photos", r.appFiles.size() - appVideos, 0},
      {"App Videos", appVideos, 0},
      {"Messages", messages.first, messages.second},
      {"Messages Attachments", r.messageAttachments.size(), 0},
      {"Contacts", contacts.first, contacts.second},
      {"Call History", calls.first, calls.second},
      {"Notes", notes.first, notes.second},
      {"WhatsApp", whatsApp.first, whatsApp.second},
      {"WhatsApp Attachments", r.whatsAppAttachments.size(), 0},
  };
}

}  // namespace vesmar::cli
