// Names beside addresses: the name of the first contact whose phones text contains an address
// (a phone number or e-mail of a message or call) as a substring, letter case counting. The
// contacts are the raw rows of RecoverContactRows, in their order.
//
// The answer is the one a scan of the contacts in order would give, found in one search over all
// phones texts at once and remembered per distinct address, so a list of many messages over few
// correspondents costs one search per correspondent.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "sqlite_recovery/records.h"

namespace vesmar {

class ContactNameLookup {
 public:
  // Keeps a copy of the names and phones it needs; `contacts` may go away afterwards.
  explicit ContactNameLookup(const std::vector<ContactRecord>& contacts);

  // The name of the first contact whose phones text contains `address`; nullptr when none does
  // (and for an empty address, which every caller excludes).
  const std::u16string* Find(std::u16string_view address);

 private:
  std::ptrdiff_t Search(std::u16string_view address) const;

  std::vector<std::u16string> names_;    // contacts with a phones text, in order
  std::vector<std::size_t> starts_;      // where each one's phones begin in all_
  std::u16string all_;                   // every phones text, each followed by kSeparator
  bool separatorInPhones_ = false;       // then search each phones text on its own
  std::vector<std::u16string> phones_;   // only kept for that case
  std::unordered_map<std::u16string, std::ptrdiff_t> cache_;
};

}  // namespace vesmar
