#include "sqlite_recovery/contact_name_lookup.h"

#include <algorithm>

namespace vesmar {

namespace {

// Parsed phones texts hold no control character, so a match never runs across this separator.
constexpr char16_t kSeparator = u'\x01';

}  // namespace

ContactNameLookup::ContactNameLookup(const std::vector<ContactRecord>& contacts) {
  for (const auto& c : contacts) {
    if (c.phones.empty()) continue;  // contains no non-empty address
    names_.push_back(c.name);
    starts_.push_back(all_.size());
    all_ += c.phones;
    all_ += kSeparator;
    if (c.phones.find(kSeparator) != std::u16string::npos) separatorInPhones_ = true;
  }
  if (separatorInPhones_)
    for (const auto& c : contacts)
      if (!c.phones.empty()) phones_.push_back(c.phones);
}

std::ptrdiff_t ContactNameLookup::Search(std::u16string_view address) const {
  if (separatorInPhones_) {
    for (std::size_t i = 0; i < phones_.size(); ++i)
      if (std::u16string_view(phones_[i]).find(address) != std::u16string_view::npos)
        return static_cast<std::ptrdiff_t>(i);
    return -1;
  }
  if (address.find(kSeparator) != std::u16string_view::npos) return -1;
  const std::size_t offset = std::u16string_view(all_).find(address);
  if (offset == std::u16string_view::npos) return -1;
  // The contact whose phones start at or before the hit.
  const auto it = std::upper_bound(starts_.begin(), starts_.end(), offset);
  return static_cast<std::ptrdiff_t>(it - starts_.begin()) - 1;
}

const std::u16string* ContactNameLookup::Find(std::u16string_view address) {
  if (address.empty() || names_.empty()) return nullptr;
  auto [it, fresh] = cache_.try_emplace(std::u16string(address), -1);
  if (fresh) it->second = Search(address);
  return it->second < 0 ? nullptr : &names_[static_cast<std::size_t>(it->second)];
}

}  // namespace vesmar
