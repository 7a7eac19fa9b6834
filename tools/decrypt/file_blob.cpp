#include "tools/decrypt/file_blob.h"

#include <plist/plist.h>

#include <cstdint>
#include <memory>

namespace vesmar::decrypt {

namespace {

// One row's archive is a few hundred bytes; anything this large is damage.
constexpr std::size_t kMaxBlobSize = 1u << 20;

struct PlistFree {
  void operator()(void* p) const { plist_free(static_cast<plist_t>(p)); }
};

// Follows archive references (UIDs) into $objects. A chain of references is damage: stop after
// a few steps.
plist_t Resolve(plist_t objects, plist_t node) {
  for (int step = 0; step < 4 && PLIST_IS_UID(node); ++step) {
    std::uint64_t index = 0;
    plist_get_uid_val(node, &index);
    if (index >= plist_array_get_size(objects)) return nullptr;
    node = plist_array_get_item(objects, static_cast<std::uint32_t>(index));
  }
  return PLIST_IS_UID(node) ? nullptr : node;
}

}  // namespace

std::optional<std::string> EncryptionKeyOfFileBlob(std::string_view blob) {
  if (blob.empty() || blob.size() > kMaxBlobSize) return std::nullopt;
  plist_t raw = nullptr;
  plist_from_memory(blob.data(), static_cast<std::uint32_t>(blob.size()), &raw);
  const std::unique_ptr<void, PlistFree> root(raw);
  if (!PLIST_IS_DICT(raw)) return std::nullopt;
  plist_t objects = plist_dict_get_item(raw, "$objects");
  plist_t top = plist_dict_get_item(raw, "$top");
  if (!PLIST_IS_ARRAY(objects) || !PLIST_IS_DICT(top)) return std::nullopt;

  plist_t file = Resolve(objects, plist_dict_get_item(top, "root"));
  if (!PLIST_IS_DICT(file)) return std::nullopt;
  plist_t key = Resolve(objects, plist_dict_get_item(file, "EncryptionKey"));
  if (PLIST_IS_DICT(key)) key = Resolve(objects, plist_dict_get_item(key, "NS.data"));
  if (!PLIST_IS_DATA(key)) return std::nullopt;
  std::uint64_t length = 0;
  const char* bytes = plist_get_data_ptr(key, &length);
  if (!bytes) return std::nullopt;
  return std::string(bytes, length);
}

}  // namespace vesmar::decrypt
