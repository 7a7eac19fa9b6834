#include "device/info_plist.h"

#include "platform/text.h"

namespace vesmar {

namespace {

constexpr std::time_t kMacEpochOffset = 978307200;

void CopyValue(plist_t info, const char* key, plist_t values, const char* from, bool onlyText = false) {
  plist_t value = plist_dict_get_item(values, from);
  if (!value || (onlyText && plist_get_node_type(value) != PLIST_STRING)) return;
  plist_dict_set_item(info, key, plist_copy(value));
}

}  // namespace

PlistPtr MakeInfoPlist(const InfoPlistSources& s) {
  if (!s.values || plist_get_node_type(s.values) != PLIST_DICT) return nullptr;
  PlistPtr info(plist_new_dict());
  plist_t d = info.get();
  CopyValue(d, "Build Version", s.values, "BuildVersion");
  CopyValue(d, "Device Name", s.values, "DeviceName");
  CopyValue(d, "Display Name", s.values, "DeviceName");
  plist_dict_set_item(d, "GUID", plist_new_string("---"));
  CopyValue(d, "ICCID", s.values, "IntegratedCircuitCardIdentity");
  CopyValue(d, "IMEI", s.values, "InternationalMobileEquipmentIdentity");
  plist_dict_set_item(d, "Last Backup Date", plist_new_date(static_cast<std::int32_t>(s.now - kMacEpochOffset), 0));
  CopyValue(d, "Phone Number", s.values, "PhoneNumber", true);
  CopyValue(d, "Product Type", s.values, "ProductType");
  CopyValue(d, "Product Version", s.values, "ProductVersion");
  CopyValue(d, "Serial Number", s.values, "SerialNumber");
  plist_dict_set_item(d, "Target Identifier", plist_new_string(s.udid.c_str()));
  plist_dict_set_item(d, "Target Type", plist_new_string("Device"));
  plist_dict_set_item(d, "Unique Identifier", plist_new_string(ToUpperAscii(s.udid).c_str()));
  if (s.iBooksData)
    plist_dict_set_item(d, "iBooks Data 2", plist_new_data(s.iBooksData->data(), s.iBooksData->size()));
  plist_t files = plist_new_dict();
  for (const auto& [name, content] : s.iTunesFiles)
    plist_dict_set_item(files, name.c_str(), plist_new_data(content.data(), content.size()));
  plist_dict_set_item(d, "iTunes Files", files);
  plist_dict_set_item(d, "iTunes Settings", s.iTunesSettings && plist_get_node_type(s.iTunesSettings) == PLIST_DICT
                                                ? plist_copy(s.iTunesSettings)
                                                : plist_new_dict());
  plist_dict_set_item(d, "iTunes Version", plist_new_string("10.0.1"));
  return info;
}

}  // namespace vesmar
