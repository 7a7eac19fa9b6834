// Single-file copies out of a backup: to the preview's temporary file, and to the output folder.
#pragma once

#include <filesystem>

#include "recovery/progress.h"

namespace vesmar {

// Copies a media file to the fixed preview file of its kind in the app folder ("tmp.jpg",
// "tmp.wav" or "tmp.avi") and sets `out` to it; a HEIF photo is converted to JPEG on the way.
// 0 (with `out` empty when the file is media of no kind the preview shows); 87 when the source
// is not a recognised media file or a file cannot be opened; 30 when the source ends early; the
// system's error code of a failed write; or a nonzero answer of the callback, which stops the
// copy. A given callback always gets a last report of 100.
int ExtractForPreview(const std::filesystem::path& source, std::filesystem::path& out,
                      PercentCallback callback, void* user);

// Copies one whole file (any size) to `destination`, creating its folders and replacing what
// is there. Reports (percent, 0, destination) after each 64 KiB chunk; a nonzero answer stops
// the copy and becomes the result. 0; 87 when a file cannot be opened, or the destination is
// the source itself or not a regular file; 30 when the source ends early; the system's error
// code of a failed write. A result above 0 gets a last report (100, result, destination), and
// an incomplete copy is removed. An empty source gives an empty file and no report.
int CopyOut(const std::filesystem::path& source, const std::filesystem::path& destination,
            ItemCallback callback, void* user);

}  // namespace vesmar
