#include "recovery/hashed_name.h"

#include <openssl/evp.h>

#include <array>

namespace vesmar {

std::string HashedName(std::string_view key) {
  std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
  unsigned int length = 0;
  if (EVP_Digest(key.data(), key.size(), digest.data(), &length, EVP_sha1(), nullptr) != 1) return {};
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(length * 2);
  for (unsigned int i = 0; i < length; ++i) {
    out.push_back(kHex[digest[i] >> 4]);
    out.push_back(kHex[digest[i] & 0x0F]);
  }
  return out;
}

std::filesystem::path HashedFilePath(const std::filesystem::path& folder, std::string_view fileName,
                                     bool twoLevelLayout) {
  if (fileName.empty() || fileName == "." || fileName == ".." ||
      fileName.find_first_of(std::string_view("/\\\0", 3)) != std::string_view::npos)
    return {};
  std::filesystem::path path = folder;
  if (twoLevelLayout) path /= std::string(fileName.substr(0, 2));
  path /= std::string(fileName);
  return path;
}

}  // namespace vesmar
