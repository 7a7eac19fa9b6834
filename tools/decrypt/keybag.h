// The backup keybag: the key-derivation parameters and the wrapped class keys, and unlocking
// them with the backup password.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/decrypt/crypto.h"

namespace vesmar::decrypt {

struct KeybagClass {
  std::uint32_t protectionClass = 0;
  std::uint32_t wrap = 0;     // bit 2: wrapped with the passcode key
  std::uint32_t keyType = 0;  // 0: AES
  std::string wrappedKey;     // WPKY, 40 bytes
};

struct Keybag {
  std::uint32_t version = 0;
  std::uint32_t type = 0;
  std::string salt;               // SALT: PBKDF2-HMAC-SHA1 stage
  std::uint32_t iterations = 0;   // ITER
  std::string dpSalt;             // DPSL: PBKDF2-HMAC-SHA256 stage (iOS 10.2 and later)
  std::uint32_t dpIterations = 0; // DPIC; 0 when the keybag has no such stage
  std::vector<KeybagClass> classes;

  bool HasSha256Stage() const { return dpIterations != 0 && !dpSalt.empty(); }
};

// Parses the TLV keybag of Manifest.plist. nullopt when it lacks what a derivation needs (salt,
// iterations, at least one passcode-wrapped class key).
std::optional<Keybag> ParseKeybag(std::string_view bytes);

// The passcode key: PBKDF2-HMAC-SHA256 over DPSL/DPIC first when the keybag has that stage, then
// PBKDF2-HMAC-SHA1 over SALT/ITER. False when a parameter is unusable.
bool DerivePasscodeKey(const Keybag& keybag, std::string_view password, Key256& out);

using ClassKeys = std::map<std::uint32_t, Key256>;

// Unwraps every passcode-wrapped class key. Keys that fail their integrity check are left out;
// none passing means the password is wrong (a false pass has a chance of 2^-64).
ClassKeys UnlockClassKeys(const Keybag& keybag, const Key256& passcodeKey);

// A wrapped key as the manifests store it: protection class (4 bytes, little-endian) followed by
// the 40-byte wrapped key. nullopt when it is malformed, its class is not unlocked or it fails to
// unwrap.
std::optional<Key256> UnwrapClassWrappedKey(const ClassKeys& classKeys, std::string_view classAndKey);

}  // namespace vesmar::decrypt
