#include "recovery/extension_lists.h"

#include <string>

#include "platform/text.h"

namespace vesmar {

std::u16string FileExtensionLower(std::u16string_view fileName) {
  const auto dot = fileName.rfind(u'.');
  if (dot == std::u16string_view::npos) return {};
  return FoldCase(fileName.substr(dot + 1));
}

bool ExtensionInList(std::u16string_view extension, std::u16string_view list) {
  if (extension.empty()) return false;
  std::size_t start = 0;
  while (start <= list.size()) {
    auto end = list.find(u'|', start);
    if (end == std::u16string_view::npos) end = list.size();
    auto item = list.substr(start, end - start);
    if (item.size() > 2 && item.substr(0, 2) == u"*." && item.substr(2) == extension) return true;
    start = end + 1;
  }
  return false;
}

bool IsVideoOrAudioFileName(std::u16string_view fileName) {
  const auto ext = FileExtensionLower(fileName);
  return ExtensionInList(ext, kVideoExtensions) || ExtensionInList(ext, kAudioExtensions);
}

}  // namespace vesmar
