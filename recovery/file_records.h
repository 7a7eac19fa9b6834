// Records of the files a scan lists: media, message attachments and app files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vesmar {

// Camera roll, photo stream and WhatsApp attachments.
struct MediaFileRecord {
  std::uint64_t size = 0;          // bytes; 64-bit so large videos are listed and copied whole
  std::u16string displayName;
  std::filesystem::path fullPath;  // the hashed file inside the backup
};

struct AttachmentFileRecord {
  std::int32_t mark = 0;  // set by the scan view
  std::uint64_t size = 0;
  std::u16string displayName;
  std::filesystem::path fullPath;
};

struct AppFileRecord {
  std::uint64_t size = 0;
  std::u16string appName;  // "other" when no app can be named
  std::u16string displayName;
  std::filesystem::path fullPath;
};

using MediaFileList = std::vector<MediaFileRecord>;
using AttachmentFileList = std::vector<AttachmentFileRecord>;
using AppFileList = std::vector<AppFileRecord>;

}  // namespace vesmar
