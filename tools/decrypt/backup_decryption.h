// Writing the plain copy of a whole backup: unlock the keybag with the password, decrypt the
// manifest, then every stored file, flat under its hashed name.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace vesmar::decrypt {

// Where the decryption tells how it goes.
class DecryptionReporter {
 public:
  virtual ~DecryptionReporter() = default;
  virtual void Count(std::uint64_t filesDone) = 0;  // files handled so far, missing ones included
  virtual void WrongPassword() = 0;
  virtual void Warning(const std::string& text) = 0;  // one damaged or missing file, and the like
};

struct DecryptionTotals {
  std::uint64_t files = 0;      // file entries of the manifest handled
  std::uint64_t written = 0;    // plain copies written
  std::uint64_t missing = 0;    // listed but not stored in the backup
  std::uint64_t failed = 0;     // stored but not decryptable (no key, damaged)
};

// Decrypts the backup in `backupFolder` into `outputFolder` (created when missing). A backup whose
// Manifest.plist says it is not encrypted is copied as it is. Returns an exit status of the tool
// (recovery/decryption_contract.h); a single bad file is reported and skipped.
int DecryptBackup(const std::filesystem::path& backupFolder, const std::filesystem::path& outputFolder,
                  std::string_view password, DecryptionReporter& reporter, DecryptionTotals* totals = nullptr);

}  // namespace vesmar::decrypt
