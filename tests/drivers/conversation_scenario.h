// A messages database and an address book with conversations, attachments and contacts, some
// of them deleted afterwards, and what a recovery of them must give.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/fixtures/address_book_fixture.h"
#include "tests/fixtures/messages_fixture.h"

namespace vesmar::testing {

struct ScenarioMessage {
  long long handleId = 0;
  long long rowid = 0;
  std::string text;
  std::int64_t appleSeconds = 0;
  bool fromMe = false;
  std::string address;     // of a live handle
  std::string name;        // the contact whose phones hold the address first
  std::string attachment;  // first attachment
  bool deleted = false;
};

struct ConversationScenario {
  std::filesystem::path messages;
  std::filesystem::path addressBook;
  bool newSchema = false;  // the address book has the iOS 12 layout
  std::vector<ScenarioMessage> all;
  long long highestLiveRowid = 0;
  long long goneHandle = 0;  // its conversation and the handle itself were deleted
};

// Layouts 68 and 74 come with the 26-column address book of later devices.
ConversationScenario BuildConversations(const std::filesystem::path& folder, fixtures::MessageLayout layout);

}  // namespace vesmar::testing
