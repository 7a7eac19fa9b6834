// The cryptographic primitives of backup encryption, over OpenSSL: PBKDF2, AES key unwrap
// (RFC 3394) and AES-256-CBC with a zero IV.
#pragma once

#include <openssl/evp.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace vesmar::decrypt {

using Key256 = std::array<unsigned char, 32>;

enum class Digest { Sha1, Sha256 };

// PBKDF2-HMAC with a 32-byte result. False when OpenSSL refuses (e.g. no iterations).
bool Pbkdf2(std::string_view password, std::string_view salt, std::uint32_t iterations, Digest digest,
            Key256& out);

// Unwraps a 40-byte RFC 3394 wrapped 256-bit key. nullopt when the length is wrong or the
// integrity check fails (the wrong key).
std::optional<Key256> UnwrapKey(const Key256& kek, std::string_view wrapped);

// Length of valid PKCS#7 padding at the end of `plain` (1 to 16), or 0 when the tail is not
// valid padding.
std::size_t Pkcs7PaddingLength(std::string_view plain);

// AES-256-CBC decryption with a zero IV, fed in pieces whose lengths are multiples of 16.
class CbcDecryptor {
 public:
  CbcDecryptor();
  ~CbcDecryptor();
  CbcDecryptor(const CbcDecryptor&) = delete;
  CbcDecryptor& operator=(const CbcDecryptor&) = delete;

  bool Start(const Key256& key);  // a fresh chain
  // Decrypts `length` bytes (a multiple of 16) from `in` into `out`, which may be `in`.
  bool Update(const unsigned char* in, std::size_t length, unsigned char* out);

 private:
  EVP_CIPHER_CTX* ctx_;
};

}  // namespace vesmar::decrypt
