#include "recovery/file_copy.h"

#include "recovery/result_codes.h"

namespace vesmar {

int ExtractForPreview(const std::filesystem::path&, std::filesystem::path& out, PercentCallback callback,
                      void* user) {
  out.clear();
  if (callback) callback(user, 100);
  return result::kInvalid;
}

int CopyOut(const std::filesystem::path&, const std::filesystem::path& destination, ItemCallback callback,
            void* user) {
  if (callback) callback(user, 100, result::kInvalid, destination);
  return result::kInvalid;
}

}  // namespace vesmar
