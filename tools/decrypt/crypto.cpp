#include "tools/decrypt/crypto.h"

#include <algorithm>
#include <climits>

namespace vesmar::decrypt {

bool Pbkdf2(std::string_view password, std::string_view salt, std::uint32_t iterations, Digest digest,
            Key256& out) {
  if (iterations == 0 || iterations > INT_MAX || password.size() > INT_MAX || salt.size() > INT_MAX) return false;
  return PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()),
                           reinterpret_cast<const unsigned char*>(salt.data()), static_cast<int>(salt.size()),
                           static_cast<int>(iterations), digest == Digest::Sha256 ? EVP_sha256() : EVP_sha1(),
                           static_cast<int>(out.size()), out.data()) == 1;
}

std::optional<Key256> UnwrapKey(const Key256& kek, std::string_view wrapped) {
  if (wrapped.size() != 40) return std::nullopt;
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  if (!ctx) return std::nullopt;
  EVP_CIPHER_CTX_set_flags(ctx, EVP_CIPHER_CTX_FLAG_WRAP_ALLOW);
  // Room for the unwrapped key plus one block, as OpenSSL may write that much.
  std::array<unsigned char, 48> plain{};
  int length = 0, finalLength = 0;
  const bool ok =
      EVP_DecryptInit_ex(ctx, EVP_aes_256_wrap(), nullptr, kek.data(), nullptr) == 1 &&
      EVP_DecryptUpdate(ctx, plain.data(), &length, reinterpret_cast<const unsigned char*>(wrapped.data()),
                        static_cast<int>(wrapped.size())) == 1 &&
      EVP_DecryptFinal_ex(ctx, plain.data() + length, &finalLength) == 1 && length + finalLength == 32;
  EVP_CIPHER_CTX_free(ctx);
  if (!ok) return std::nullopt;
  Key256 key;
  std::copy(plain.begin(), plain.begin() + 32, key.begin());
  return key;
}

std::size_t Pkcs7PaddingLength(std::string_view plain) {
  if (plain.empty()) return 0;
  const auto n = static_cast<unsigned char>(plain.back());
  if (n < 1 || n > 16 || n > plain.size()) return 0;
  for (std::size_t i = plain.size() - n; i < plain.size(); ++i)
    if (static_cast<unsigned char>(plain[i]) != n) return 0;
  return n;
}

CbcDecryptor::CbcDecryptor() : ctx_(EVP_CIPHER_CTX_new()) {}
CbcDecryptor::~CbcDecryptor() { EVP_CIPHER_CTX_free(ctx_); }

bool CbcDecryptor::Start(const Key256& key) {
  static const unsigned char kZeroIv[16] = {};
  if (!ctx_ || EVP_DecryptInit_ex(ctx_, EVP_aes_256_cbc(), nullptr, key.data(), kZeroIv) != 1) return false;
  // Padding is checked by the caller: a bad pad must not throw the plaintext away.
  EVP_CIPHER_CTX_set_padding(ctx_, 0);
  return true;
}

bool CbcDecryptor::Update(const unsigned char* in, std::size_t length, unsigned char* out) {
  if (length % 16 != 0) return false;
  while (length > 0) {
    const int piece = static_cast<int>(std::min<std::size_t>(length, 1u << 30));
    int written = 0;
    if (EVP_DecryptUpdate(ctx_, out, &written, in, piece) != 1 || written != piece) return false;
    in += piece;
    out += piece;
    length -= static_cast<std::size_t>(piece);
  }
  return true;
}

}  // namespace vesmar::decrypt
