#include "sqlite_recovery/contacts_driver.h"

#include <algorithm>
#include <numeric>

#include "platform/text.h"
#include "sqlite_recovery/contact_parser.h"
#include "sqlite_recovery/sqlite_recovery_file.h"

namespace vesmar {

std::u16string CleanPhoneList(std::u16string_view phones) {
  constexpr std::size_t kMinLength = 7;
  constexpr std::size_t kEnding = 4;
  std::u16string out;
  std::u16string_view lastEnding;
  std::size_t start = 0;
  for (std::size_t space; (space = phones.find(u' ', start)) != std::u16string_view::npos; start = space + 1) {
    const std::u16string_view token = phones.substr(start, space - start);
    if (token.size() < kMinLength) continue;
    const std::u16string_view ending = token.substr(token.size() - kEnding);
    if (ending == lastEnding) continue;
    lastEnding = ending;
    if (!out.empty()) out += u'\n';
    out += token;
  }
  return out;
}

int RecoverContacts(const std::filesystem::path& addressBook, bool ios12OrLater, std::vector<ContactRecord>& contacts,
                    std::uint64_t& highestContactRowid) {
  contacts.clear();
  CSqliteRecoveryFile file;
  file.settings.ios12OrLater = ios12OrLater ? 1 : 0;
  if (const int rc = file.OpenDatabaseFile(addressBook)) return rc;

  std::vector<ContactRecord> rows;
  const int code = RecoverContactRows(file, rows);
  highestContactRowid = file.settings.highestContactRowid;

  for (auto& row : rows) {
    if (row.phones.empty()) continue;
    if (row.name.empty()) row.name = u"No Name";
    row.phones = CleanPhoneList(row.phones);
    contacts.push_back(std::move(row));
  }
  // Fold each name once rather than at every comparison.
  std::vector<std::u16string> keys;
  keys.reserve(contacts.size());
  for (const auto& c : contacts) keys.push_back(FoldCase(c.name));
  std::vector<std::size_t> order(contacts.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(), [&keys](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
  std::vector<ContactRecord> sorted;
  sorted.reserve(contacts.size());
  for (const std::size_t i : order) sorted.push_back(std::move(contacts[i]));
  contacts = std::move(sorted);
  return code;
}

}  // namespace vesmar
