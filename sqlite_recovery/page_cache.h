// A bounded least-recently-used cache of database pages, so that the several walks over one
// table do not read the same pages from disk again and again. It only ever holds bytes exactly as
// read; whether it is on or off never changes what the reader returns.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

namespace vesmar {

class PageCache {
 public:
  // Empties the cache and sizes it for pages of `pageSize` bytes within `budgetBytes`
  // (0 turns it off).
  void Reset(std::uint32_t pageSize, std::size_t budgetBytes);
  bool enabled() const { return capacity_ != 0; }

  // The cached bytes of a page, or nullptr; a hit makes the page the most recently used.
  const std::uint8_t* Find(std::uint32_t index);
  // Stores a copy of a page that was just read, evicting the least recently used one when full.
  void Store(std::uint32_t index, const std::uint8_t* bytes);

  std::size_t hits() const { return hits_; }
  std::size_t misses() const { return misses_; }

 private:
  static constexpr std::uint32_t kNone = 0xFFFFFFFF;
  void Unlink(std::uint32_t slot);
  void PushFront(std::uint32_t slot);

  std::uint32_t pageSize_ = 0;
  std::uint32_t capacity_ = 0;  // slots
  std::vector<std::unique_ptr<std::uint8_t[]>> data_;
  std::vector<std::uint32_t> pageOf_, prev_, next_;
  std::unordered_map<std::uint32_t, std::uint32_t> slotOf_;
  std::uint32_t head_ = kNone, tail_ = kNone;
  std::size_t hits_ = 0, misses_ = 0;
};

}  // namespace vesmar
