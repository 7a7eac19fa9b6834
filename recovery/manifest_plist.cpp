#include "recovery/manifest_plist.h"

#include <plist/plist.h>

#include <cstdint>
#include <memory>

#include "platform/file_ops.h"
#include "recovery/result_codes.h"

namespace vesmar {

namespace {

// Real manifests are tens of kilobytes; the application list with its icons can make them a few
// megabytes.
constexpr std::uint64_t kMaxManifestPlistSize = 64ull << 20;

struct PlistFree {
  void operator()(void* p) const { plist_free(static_cast<plist_t>(p)); }
};

std::string DataOf(plist_t node) {
  if (!PLIST_IS_DATA(node)) return {};
  std::uint64_t length = 0;
  const char* bytes = plist_get_data_ptr(node, &length);
  return bytes ? std::string(bytes, length) : std::string();
}

}  // namespace

int ReadManifestPlist(const std::filesystem::path& folder, ManifestPlist& out) {
  out = {};
  const auto data = ReadWholeFile(folder / "Manifest.plist", kMaxManifestPlistSize);
  if (!data || data->empty()) return result::kInvalid;
  plist_t raw = nullptr;
  plist_from_memory(data->data(), static_cast<std::uint32_t>(data->size()), &raw);
  const std::unique_ptr<void, PlistFree> root(raw);
  if (!PLIST_IS_DICT(raw)) return result::kInvalid;

  if (plist_t flag = plist_dict_get_item(raw, "IsEncrypted"); PLIST_IS_BOOLEAN(flag)) {
    std::uint8_t value = 0;
    plist_get_bool_val(flag, &value);
    out.isEncrypted = value != 0;
  }
  out.backupKeyBag = DataOf(plist_dict_get_item(raw, "BackupKeyBag"));
  out.manifestKey = DataOf(plist_dict_get_item(raw, "ManifestKey"));
  if (plist_t lockdown = plist_dict_get_item(raw, "Lockdown"); PLIST_IS_DICT(lockdown)) {
    if (plist_t version = plist_dict_get_item(lockdown, "ProductVersion"); PLIST_IS_STRING(version)) {
      std::uint64_t length = 0;
      if (const char* text = plist_get_string_ptr(version, &length)) out.productVersion.assign(text, length);
    }
  }
  return result::kOk;
}

std::optional<bool> ManifestSaysEncrypted(const std::filesystem::path& folder) {
  ManifestPlist manifest;
  if (ReadManifestPlist(folder, manifest) != result::kOk) return std::nullopt;
  return manifest.isEncrypted;
}

}  // namespace vesmar
