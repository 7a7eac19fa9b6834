// The categories a scan fills, in the order of the category tree.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace vesmar {

enum class RecoveryCategory : std::int32_t {
  CameraRoll = 1,
  PhotoStream = 2,
  AppPhotos = 3,
  AppVideos = 4,
  Messages = 5,
  MessagesAttachments = 6,
  Contacts = 7,
  CallHistory = 8,
  Notes = 9,
  WhatsApp = 10,
  WhatsAppAttachments = 11,
};

struct CategoryTreeEntry {
  std::int32_t code;          // 0 for the hidden entries, which are never filled
  std::string_view treeText;  // the text of the tree node (and the category's name elsewhere)
  std::string_view group;     // the tree header it sits under
  bool shown;
};

// Every tree entry in tree order, hidden ones included.
inline constexpr std::array<CategoryTreeEntry, 17> kCategoryTree = {{
    {1, "Camera Roll", "Photos & Videos", true},
    {2, "Photo Stream", "Photos & Videos", true},
    {3, "App Photos", "Photos & Videos", true},
    {4, "App Videos", "Photos & Videos", true},
    {5, "Messages", "Messages & Call logs", true},
    {6, "Messages Attachments", "Messages & Call logs", true},
    {7, "Contacts", "Messages & Call logs", true},
    {8, "Call History", "Messages & Call logs", true},
    {9, "Notes", "Messages & Call logs", true},
    {0, "Voicemail", "Messages & Call logs", false},
    {10, "WhatsApp", "Messages & Call logs", true},
    {11, "WhatsApp Attachments", "Messages & Call logs", true},
    {0, "Reminders", "Memos & Others", false},
    {0, "Calendar", "Memos & Others", false},
    {0, "Voice Memos", "Memos & Others", false},
    {0, "Safari Bookmark", "Memos & Others", false},
    {0, "App Document", "Memos & Others", false},
}};

// Tree text of a category code (1-11); empty for any other value.
std::string_view CategoryTreeText(RecoveryCategory category);

}  // namespace vesmar
