#include "device/plist_ptr.h"

#include <cstdlib>
#include <limits>

namespace vesmar {

std::optional<std::string> PlistText(plist_t node) {
  if (!node || plist_get_node_type(node) != PLIST_STRING) return std::nullopt;
  char* text = nullptr;
  plist_get_string_val(node, &text);
  if (!text) return std::string();
  std::string result(text);
  std::free(text);
  return result;
}

std::optional<std::uint64_t> PlistUnsigned(plist_t node) {
  if (!node || plist_get_node_type(node) != PLIST_UINT) return std::nullopt;
  std::uint64_t value = 0;
  plist_get_uint_val(node, &value);
  return value;
}

std::optional<std::int64_t> PlistSigned(plist_t node) {
  const auto value = PlistUnsigned(node);
  if (!value) return std::nullopt;
  return static_cast<std::int64_t>(*value);
}

std::optional<double> PlistReal(plist_t node) {
  if (!node || plist_get_node_type(node) != PLIST_REAL) return std::nullopt;
  double value = 0;
  plist_get_real_val(node, &value);
  return value;
}

std::optional<bool> PlistBool(plist_t node) {
  if (!node || plist_get_node_type(node) != PLIST_BOOLEAN) return std::nullopt;
  std::uint8_t value = 0;
  plist_get_bool_val(node, &value);
  return value != 0;
}

plist_t PlistItem(plist_t array, std::uint32_t index) {
  if (!array || plist_get_node_type(array) != PLIST_ARRAY) return nullptr;
  if (index >= plist_array_get_size(array)) return nullptr;
  return plist_array_get_item(array, index);
}

std::uint32_t PlistSize(plist_t array) {
  if (!array || plist_get_node_type(array) != PLIST_ARRAY) return 0;
  return plist_array_get_size(array);
}

std::string PlistToXml(plist_t node) {
  char* xml = nullptr;
  std::uint32_t length = 0;
  plist_to_xml(node, &xml, &length);
  std::string result = xml ? std::string(xml, length) : std::string();
  std::free(xml);
  return result;
}

std::string PlistToBinary(plist_t node) {
  char* bin = nullptr;
  std::uint32_t length = 0;
  plist_to_bin(node, &bin, &length);
  std::string result = bin ? std::string(bin, length) : std::string();
  std::free(bin);
  return result;
}

PlistPtr PlistFromBytes(const char* data, std::size_t size) {
  if (!data || size < 8 || size > std::numeric_limits<std::uint32_t>::max()) return nullptr;
  plist_t node = nullptr;
  plist_from_memory(data, static_cast<std::uint32_t>(size), &node);
  return PlistPtr(node);
}

}  // namespace vesmar
