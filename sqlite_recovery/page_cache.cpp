#include "sqlite_recovery/page_cache.h"

#include <cstring>

namespace vesmar {

void PageCache::Reset(std::uint32_t pageSize, std::size_t budgetBytes) {
  pageSize_ = pageSize;
  capacity_ = pageSize == 0 ? 0 : static_cast<std::uint32_t>(budgetBytes / pageSize);
  data_.clear();
  pageOf_.clear();
  prev_.clear();
  next_.clear();
  slotOf_.clear();
  head_ = tail_ = kNone;
  hits_ = misses_ = 0;
}

void PageCache::Unlink(std::uint32_t slot) {
  const std::uint32_t p = prev_[slot], n = next_[slot];
  (p == kNone ? head_ : next_[p]) = n;
  (n == kNone ? tail_ : prev_[n]) = p;
}

void PageCache::PushFront(std::uint32_t slot) {
  prev_[slot] = kNone;
  next_[slot] = head_;
  if (head_ != kNone) prev_[head_] = slot;
  head_ = slot;
  if (tail_ == kNone) tail_ = slot;
}

const std::uint8_t* PageCache::Find(std::uint32_t index) {
  if (!capacity_) return nullptr;
  const auto it = slotOf_.find(index);
  if (it == slotOf_.end()) {
    ++misses_;
    return nullptr;
  }
  ++hits_;
  const std::uint32_t slot = it->second;
  if (slot != head_) {
    Unlink(slot);
    PushFront(slot);
  }
  return data_[slot].get();
}

void PageCache::Store(std::uint32_t index, const std::uint8_t* bytes) {
  if (!capacity_ || slotOf_.count(index)) return;
  std::uint32_t slot;
  if (data_.size() < capacity_) {
    slot = static_cast<std::uint32_t>(data_.size());
    data_.push_back(std::make_unique<std::uint8_t[]>(pageSize_));
    pageOf_.push_back(index);
    prev_.push_back(kNone);
    next_.push_back(kNone);
  } else {
    slot = tail_;
    Unlink(slot);
    slotOf_.erase(pageOf_[slot]);
    pageOf_[slot] = index;
  }
  std::memcpy(data_[slot].get(), bytes, pageSize_);
  slotOf_.emplace(index, slot);
  PushFront(slot);
}

}  // namespace vesmar
