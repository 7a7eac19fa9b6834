// The building blocks of the SQLite file format that every reader needs: big-endian integers,
// variable-length integers and serial types. All reads are bounded by the caller's limit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>

namespace vesmar::sqlite_format {

inline constexpr std::uint8_t kInteriorTablePage = 5;
inline constexpr std::uint8_t kLeafTablePage = 13;
inline constexpr std::size_t kFileHeaderSize = 100;  // page 1 carries the file header first
inline constexpr char kMagic[] = "SQLite format 3";  // plus its terminating zero: 16 bytes

inline std::uint16_t Be16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}
inline std::uint32_t Be32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

struct Varint {
  std::uint64_t value = 0;
  std::int64_t length = 0;  // bytes used
};

// Big-endian groups of 7 bits, the high bit set while more follow; a ninth byte contributes all
// 8 bits. Never reads `limit` bytes or more; when the limit cuts the integer short, the value read
// so far comes back with the whole limit as its length. A limit of 0 or less gives {0, 0}.
inline Varint ReadVarint(const std::uint8_t* p, std::int64_t limit) {
  Varint v;
  if (limit <= 0) return v;
  const std::int64_t n = limit < 9 ? limit : 9;
  for (std::int64_t i = 0; i < n; ++i) {
    const std::uint8_t b = p[i];
    if (i == 8) {
      v.value = (v.value << 8) | b;
      v.length = 9;
      return v;
    }
    v.value = (v.value << 7) | (b & 0x7F);
    if (!(b & 0x80)) {
      v.length = i + 1;
      return v;
    }
  }
  v.length = n;
  return v;
}

// True when a varint starting at p ends within `limit` bytes.
inline bool VarintFits(const std::uint8_t* p, std::int64_t limit) {
  const std::int64_t n = limit < 9 ? limit : 9;
  for (std::int64_t i = 0; i < n; ++i)
    if (i == 8 || !(p[i] & 0x80)) return true;
  return false;
}

// A varint value as a signed 64-bit number for comparisons against page-bounded quantities:
// values beyond the signed range become the largest signed value (they exceed every bound anyway).
inline std::int64_t Clamp(std::uint64_t value) {
  constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  return static_cast<std::int64_t>(value > kMax ? kMax : value);
}

// Bytes of content that a serial type stands for (types 10 and 11 are reserved and take none).
inline std::uint64_t ContentSize(std::uint64_t serialType) {
  static constexpr std::uint8_t kSmall[12] = {0, 1, 2, 3, 4, 6, 8, 8, 0, 0, 0, 0};
  if (serialType < 12) return kSmall[serialType];
  return (serialType - 12 - (serialType & 1)) / 2;
}

// Bytes of a table cell's payload that stay on its page, for a payload of `payload` bytes on pages
// of `usable` usable bytes; the rest goes to overflow pages.
inline std::int64_t LocalPayloadSize(std::int64_t payload, std::int64_t usable) {
  const std::int64_t maxLocal = usable - 35;
  if (payload <= maxLocal) return payload;
  const std::int64_t minLocal = (usable - 12) * 32 / 255 - 23;
  const std::int64_t k = minLocal + (payload - minLocal) % (usable - 4);
  return k <= maxLocal ? k : minLocal;
}

// Signed big-endian integer of 1 to 8 bytes.
inline std::int64_t BigEndianSigned(const std::uint8_t* p, std::size_t size) {
  std::uint64_t v = (p[0] & 0x80) ? ~std::uint64_t{0} : 0;
  for (std::size_t i = 0; i < size; ++i) v = (v << 8) | p[i];
  return static_cast<std::int64_t>(v);
}

}  // namespace vesmar::sqlite_format
