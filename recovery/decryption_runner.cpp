#include "recovery/decryption_runner.h"

#include "recovery/result_codes.h"

namespace vesmar {

int RunDecryptionTool(const std::filesystem::path&, const std::u16string&, ScanSession&,
                      DecryptionOutput& output) {
  output = {};
  return result::kInvalid;  // no decryption tool in this build yet
}

}  // namespace vesmar
