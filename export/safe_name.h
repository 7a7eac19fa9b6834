// File and folder names made from data of the backup (file names, app names, contact names,
// addresses, chat names): whatever the data holds, the name stays one component inside the
// folder it is meant for.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace vesmar {

// Longest name made, in UTF-8 bytes: room is left for " (n)" and an extension within the
// 255-byte limit of common file systems.
inline constexpr std::size_t kMaxNameBytes = 200;

// Path separators, control characters and the characters that FAT, exFAT and NTFS volumes
// refuse (: * ? " < > |) become "_"; a name of dots only (".", "..") becomes "_"; an empty
// name becomes `fallback`; a longer name is shortened, keeping a short extension.
std::u16string SafeFileName(std::u16string_view name, std::u16string_view fallback = u"_");

// The path of a wide text (UTF-8 bytes on this system).
std::filesystem::path PathOf(std::u16string_view text);

}  // namespace vesmar
