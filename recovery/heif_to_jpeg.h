// Turns a HEIF/HEIC photo into a JPEG file that any picture viewer can show.
#pragma once

#include <filesystem>

namespace vesmar {

// Decodes the primary image of `source` (with its rotation and mirroring applied) and writes it
// to `jpeg` as a baseline JPEG, replacing that file. 0; 87 when the source cannot be read or
// decoded or is implausibly large; the system's error code when the JPEG cannot be written.
int ConvertHeifToJpeg(const std::filesystem::path& source, const std::filesystem::path& jpeg);

}  // namespace vesmar
