// Single-file copies out of a backup: to the preview's temporary file, and to the output folder.
#pragma once

#include <filesystem>

#include "recovery/progress.h"

namespace vesmar {

// Copies a media file to the fixed preview file of its kind in the app folder ("tmp.jpg",
// "tmp.wav" or "tmp.avi") and sets `out` to it.
int ExtractForPreview(const std::filesystem::path& source, std::filesystem::path& out,
                      PercentCallback callback, void* user);

// Copies one file into the output folder, creating its folders.
int CopyOut(const std::filesystem::path& source, const std::filesystem::path& destination,
            ItemCallback callback, void* user);

}  // namespace vesmar
