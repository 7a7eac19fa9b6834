// Owning handles and small readers for libplist nodes.
#pragma once

#include <plist/plist.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace vesmar {

struct PlistFree {
  void operator()(void* node) const {
    if (node) plist_free(static_cast<plist_t>(node));
  }
};
// Owns a node tree (plist_t is a void pointer).
using PlistPtr = std::unique_ptr<void, PlistFree>;

// The text of a string node; nothing for other kinds.
std::optional<std::string> PlistText(plist_t node);
std::optional<std::uint64_t> PlistUnsigned(plist_t node);
// An integer node read as signed (plist integers travel as 64-bit two's complement).
std::optional<std::int64_t> PlistSigned(plist_t node);
std::optional<double> PlistReal(plist_t node);
std::optional<bool> PlistBool(plist_t node);

// Item `index` of an array node, or null.
plist_t PlistItem(plist_t array, std::uint32_t index);
std::uint32_t PlistSize(plist_t array);

// The node as an XML or binary property list document.
std::string PlistToXml(plist_t node);
std::string PlistToBinary(plist_t node);
// Parses a binary or XML document; null when it is neither.
PlistPtr PlistFromBytes(const char* data, std::size_t size);

}  // namespace vesmar
