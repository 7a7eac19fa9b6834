// Hashed names of the device databases that are found without a manifest lookup.
#pragma once

#include <string_view>

namespace vesmar::well_known {

// HomeDomain-Library/AddressBook/AddressBook.sqlitedb
inline constexpr std::string_view kAddressBook = "31bb7ba8914766d4ba40d6dfb6113c8b614be442";
// HomeDomain-Library/SMS/sms.db
inline constexpr std::string_view kMessages = "3d0d7e5fb2ce288813306e4d4636395e047a3d28";
// HomeDomain-Library/Notes/notes.sqlite
inline constexpr std::string_view kNotes = "ca3bc056d4da0bbf88b5fb3be254f3b7147e639c";
// HomeDomain-Library/CallHistoryDB/CallHistory.storedata (preferred)
inline constexpr std::string_view kCallHistory = "5a4935c78a5255723f707230a451d79c540d2741";
// WirelessDomain-Library/CallHistory/call_history.db (older devices)
inline constexpr std::string_view kCallHistoryOld = "2b2b0084a1bc3a5ac8c27afdf14afb42c61a19ca";
// AppDomainGroup-group.net.whatsapp.WhatsApp.shared-ChatStorage.sqlite (preferred)
inline constexpr std::string_view kWhatsAppChats = "7c7fba66680ef796b916b067077cc246adacf01d";
// AppDomain-net.whatsapp.WhatsApp-Documents/ChatStorage.sqlite (older app versions)
inline constexpr std::string_view kWhatsAppChatsOld = "1b6b187a1b60b9ae8b720c79e2c67f472bab09c0";

}  // namespace vesmar::well_known
