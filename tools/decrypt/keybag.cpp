#include "tools/decrypt/keybag.h"

namespace vesmar::decrypt {

namespace {

std::uint32_t BigEndian32(std::string_view v) {
  if (v.size() != 4) return 0;
  std::uint32_t value = 0;
  for (const char c : v) value = (value << 8) | static_cast<unsigned char>(c);
  return value;
}

}  // namespace

std::optional<Keybag> ParseKeybag(std::string_view bytes) {
  Keybag bag;
  int uuids = 0;
  KeybagClass* current = nullptr;  // the class entry being read, after the second UUID
  std::size_t pos = 0;
  while (bytes.size() - pos >= 8) {
    const std::string_view tag = bytes.substr(pos, 4);
    const std::uint32_t length = BigEndian32(bytes.substr(pos + 4, 4));
    pos += 8;
    if (length > bytes.size() - pos) break;  // truncated: keep what came before
    const std::string_view value = bytes.substr(pos, length);
    pos += length;

    if (tag == "UUID" && ++uuids >= 2) {
      current = &bag.classes.emplace_back();
      continue;
    }
    if (current) {
      if (tag == "CLAS") current->protectionClass = BigEndian32(value);
      else if (tag == "WRAP") current->wrap = BigEndian32(value);
      else if (tag == "KTYP") current->keyType = BigEndian32(value);
      else if (tag == "WPKY") current->wrappedKey.assign(value);
      continue;
    }
    if (tag == "VERS") bag.version = BigEndian32(value);
    else if (tag == "TYPE") bag.type = BigEndian32(value);
    else if (tag == "SALT") bag.salt.assign(value);
    else if (tag == "ITER") bag.iterations = BigEndian32(value);
    else if (tag == "DPSL") bag.dpSalt.assign(value);
    else if (tag == "DPIC") bag.dpIterations = BigEndian32(value);
  }

  bool anyPasscodeKey = false;
  for (const auto& c : bag.classes)
    anyPasscodeKey = anyPasscodeKey || ((c.wrap & 2) != 0 && c.wrappedKey.size() == 40);
  if (bag.salt.empty() || bag.iterations == 0 || !anyPasscodeKey) return std::nullopt;
  return bag;
}

bool DerivePasscodeKey(const Keybag& keybag, std::string_view password, Key256& out) {
  if (!keybag.HasSha256Stage()) return Pbkdf2(password, keybag.salt, keybag.iterations, Digest::Sha1, out);
  Key256 first;
  if (!Pbkdf2(password, keybag.dpSalt, keybag.dpIterations, Digest::Sha256, first)) return false;
  const std::string_view firstBytes(reinterpret_cast<const char*>(first.data()), first.size());
  return Pbkdf2(firstBytes, keybag.salt, keybag.iterations, Digest::Sha1, out);
}

ClassKeys UnlockClassKeys(const Keybag& keybag, const Key256& passcodeKey) {
  ClassKeys keys;
  for (const auto& c : keybag.classes) {
    if ((c.wrap & 2) == 0) continue;
    // Classes that are also wrapped with the device key (WRAP 3) unwrap too; no backed-up file
    // uses them, and keeping them is harmless.
    if (const auto key = UnwrapKey(passcodeKey, c.wrappedKey)) keys.emplace(c.protectionClass, *key);
  }
  return keys;
}

std::optional<Key256> UnwrapClassWrappedKey(const ClassKeys& classKeys, std::string_view classAndKey) {
  if (classAndKey.size() != 44) return std::nullopt;
  std::uint32_t protectionClass = 0;
  for (int i = 3; i >= 0; --i) protectionClass = (protectionClass << 8) | static_cast<unsigned char>(classAndKey[i]);
  const auto it = classKeys.find(protectionClass);
  if (it == classKeys.end()) return std::nullopt;
  return UnwrapKey(it->second, classAndKey.substr(4));
}

}  // namespace vesmar::decrypt
