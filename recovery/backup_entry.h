// One backup folder as the catalogue describes it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace vesmar {

struct BackupEntry {
  std::uint8_t encrypted = 0;
  std::uint8_t newSchema = 0;       // product version's major number above 11
  std::string lastBackupDate;       // local time, "%Y-%m-%d %H:%M:%S"
  std::string phoneNumber;
  std::string serialNumber;
  std::filesystem::path folder;
  std::u16string displayName;
};

}  // namespace vesmar
