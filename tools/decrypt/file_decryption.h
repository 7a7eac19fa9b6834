// Writing the plain copy of one stored file: AES-256-CBC decryption with the padding removed, or
// a plain copy for files that are not encrypted. Streams, so multi-gigabyte videos need no memory.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "tools/decrypt/crypto.h"

namespace vesmar::decrypt {

enum class FileStatus {
  Ok,
  SourceMissing,
  SourceUnreadable,
  CannotWrite,  // the destination could not be created or written (disk full, no permission)
  CipherFailed,
};

struct FileOutcome {
  FileStatus status = FileStatus::Ok;
  std::uint64_t plainBytes = 0;
  bool paddingValid = true;     // false: the plaintext was kept whole
  bool partialBlock = false;    // the stored length was not a multiple of 16; the tail was dropped
  int error = 0;                // errno of a failed read or write
};

class FileDecryptor {
 public:
  FileDecryptor();

  // Decrypts `source` into `destination` (created or replaced, owner-only permissions). With
  // `key` null the bytes are copied as they are. Valid PKCS#7 padding is removed; the plaintext
  // is never cut to a recorded size, which real backups get wrong.
  FileOutcome Run(const Key256* key, const std::filesystem::path& source,
                  const std::filesystem::path& destination);

 private:
  std::vector<unsigned char> buffer_;
  CbcDecryptor cipher_;
};

}  // namespace vesmar::decrypt
