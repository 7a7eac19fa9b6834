// The contacts driver: the people of the address book that have a phone number, with their
// phone lists cleaned, sorted by name.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "sqlite_recovery/records.h"

namespace vesmar {

// The address book keeps each number in several spellings, each followed by a space
// ("(919) 888-7386 +19198887386 9198887386 "). Of the space-ended tokens of at least 7
// characters, a token is kept unless it ends in the same four characters as the token kept
// before it; the kept tokens are joined by line feeds. Shorter tokens and a final token without
// a space after it are dropped.
std::u16string CleanPhoneList(std::u16string_view phones);

// Replaces `contacts` with the rows of the address book that have a phones text, named "No Name"
// when they have no name, phones cleaned, sorted by name (stable, letter case ignored).
// `ios12OrLater` picks the column layout. `highestContactRowid` receives the highest rowid of a
// live row. Result: 0, the open code (no contacts), or the code of a failed read (the contacts
// read before it are kept).
int RecoverContacts(const std::filesystem::path& addressBook, bool ios12OrLater, std::vector<ContactRecord>& contacts,
                    std::uint64_t& highestContactRowid);

}  // namespace vesmar
