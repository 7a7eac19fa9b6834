// Key derivation, key unwrap, padding and the keybag, against published vectors and real keybags.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "recovery/manifest_plist.h"
#include "tests/decrypt/support.h"
#include "tests/fixtures/temp_dir.h"
#include "tools/decrypt/crypto.h"
#include "tools/decrypt/keybag.h"

namespace vesmar {
namespace {

using namespace decrypt;
using namespace testing_support;
namespace fs = std::filesystem;

std::string HexOf(const Key256& key) { return Hex(key.data(), key.size()); }

Key256 KeyFromHex(const std::string& hex) {
  Key256 key{};
  const std::string bytes = Unhex(hex);
  std::copy(bytes.begin(), bytes.end(), key.begin());
  return key;
}

TEST(Pbkdf2Test, StandardVectors) {
  struct Case {
    const char *password, *salt;
    std::uint32_t iterations;
    Digest digest;
    const char* prefix;  // the published output (a 32-byte result begins with it)
  } cases[] = {
      // RFC 6070
      {"password", "salt", 1, Digest::Sha1, "0c60c80f961f0e71f3a9b524af6012062fe037a6"},
      {"password", "salt", 4096, Digest::Sha1, "4b007901b765489abead49d926f721d065a429c1"},
      // RFC 7914, section 11
      {"passwd", "salt", 1, Digest::Sha256, "55ac046e56e3089fec1691c22544b605f94185216dde0465e68b9d57c20dacbc"},
  };
  for (const auto& c : cases) {
    Key256 out;
    ASSERT_TRUE(Pbkdf2(c.password, c.salt, c.iterations, c.digest, out)) << c.password;
    EXPECT_EQ(HexOf(out).substr(0, std::string(c.prefix).size()), c.prefix) << c.iterations;
  }
  Key256 out;
  EXPECT_FALSE(Pbkdf2("x", "salt", 0, Digest::Sha1, out));
}

TEST(KeyUnwrapTest, Rfc3394VectorAndTamperedInput) {
  // RFC 3394, 4.6: 256 bits of key data wrapped with a 256-bit KEK.
  const Key256 kek = KeyFromHex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f");
  const std::string wrapped = Unhex("28c9f404c4b810f4cbccb35cfb87f8263f5786e2d80ed326cbc7f0e71a99f43bfb988b9b7a02dd21");
  const auto key = UnwrapKey(kek, wrapped);
  ASSERT_TRUE(key);
  EXPECT_EQ(HexOf(*key), "00112233445566778899aabbccddeeff000102030405060708090a0b0c0d0e0f");

  std::string tampered = wrapped;
  tampered[20] ^= 1;
  EXPECT_FALSE(UnwrapKey(kek, tampered));
  Key256 otherKek = kek;
  otherKek[0] ^= 1;
  EXPECT_FALSE(UnwrapKey(otherKek, wrapped));
  EXPECT_FALSE(UnwrapKey(kek, wrapped.substr(0, 32)));
}

TEST(PaddingTest, OnlyWellFormedPkcs7Counts) {
  struct Case {
    std::string tail;
    std::size_t pad;
  } cases[] = {
      {std::string(16, '\x10'), 16},                 // a zero-length file: one whole padding block
      {"abc" + std::string(13, '\x0d'), 13},
      {std::string(15, 'x') + "\x01", 1},
      {std::string(15, 'x') + "\x11", 0},             // above 16
      {std::string(15, 'x') + std::string(1, '\0'), 0},
      {std::string(13, 'x') + "\x02\x03\x03", 0},   // pad bytes disagree
      {"\x05\x05", 0},                                // longer than the data
      {"", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(Pkcs7PaddingLength(c.tail), c.pad) << Hex(reinterpret_cast<const unsigned char*>(c.tail.data()), c.tail.size());
}

TEST(KeybagTest, DamagedKeybagsAreRejected) {
  auto tlv = [](const std::string& tag, const std::string& value) {
    const auto n = static_cast<std::uint32_t>(value.size());
    return tag + std::string{char(n >> 24), char(n >> 16), char(n >> 8), char(n)} + value;
  };
  const std::string be10000("\x00\x00\x27\x10", 4);
  const std::string header = tlv("VERS", std::string("\0\0\0\3", 4)) + tlv("UUID", std::string(16, 'u')) +
                             tlv("SALT", std::string(20, 's')) + tlv("ITER", be10000);
  const std::string goodClass = tlv("UUID", std::string(16, 'c')) + tlv("CLAS", std::string("\0\0\0\1", 4)) +
                                tlv("WRAP", std::string("\0\0\0\2", 4)) + tlv("WPKY", std::string(40, 'k'));
  ASSERT_TRUE(ParseKeybag(header + goodClass));
  EXPECT_EQ(ParseKeybag(header + goodClass)->classes.at(0).protectionClass, 1u);

  const std::string cases[] = {
      "",
      header,                                                          // no class keys
      tlv("UUID", std::string(16, 'u')) + tlv("ITER", be10000) + goodClass,  // no salt
      header + goodClass.substr(0, goodClass.size() - 10),             // class key cut short
      header + tlv("UUID", std::string(16, 'c')) + tlv("CLAS", std::string("\0\0\0\1", 4)) +
          tlv("WRAP", std::string("\0\0\0\1", 4)) + tlv("WPKY", std::string(40, 'k')),  // device-only key
      header + "WPKY" + std::string("\xff\xff\xff\xff", 4) + "x",     // length past the end
  };
  for (const auto& bytes : cases) EXPECT_FALSE(ParseKeybag(bytes)) << bytes.size();
}

// expected/keys.tsv of a sample: passcode key and class keys by section.
std::map<std::string, std::string> ExpectedKeys(const fs::path& file, const std::string& section) {
  std::map<std::string, std::string> keys;
  std::ifstream in(file);
  bool inSection = section.empty();
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("## ", 0) == 0) inSection = line.find(section) != std::string::npos;
    if (!inSection || line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string name, a, b;
    fields >> name >> a >> b;
    keys[name] = b.empty() ? a : b;
  }
  return keys;
}

// Real keybags: the password's key unwraps every class key to the independently computed value.
// The iOS 10.2 keybag runs the full 10,000,000-round SHA-256 stage (about two seconds).
TEST(KeybagTest, RealKeybagsUnlockToTheKnownKeys) {
  const fs::path samples = Anchors() / "encrypted-backup" / "john-samples-itunes-backup";
  if (!fs::exists(samples)) GTEST_SKIP() << "no sample data at " << samples;
  const struct {
    const char *file, *password;
  } cases[] = {{"Manifest-9-test123.plist", "test123"}, {"Manifest-9-123456.plist", "123456"},
               {"Manifest-10-test123.plist", "test123"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const auto expected = ExpectedKeys(samples / "expected" / "keys.tsv", c.file);
    ASSERT_FALSE(expected.empty());
    fixtures::TempDir folder;
    fs::copy_file(samples / c.file, folder / "Manifest.plist");
    ManifestPlist plist;
    ASSERT_EQ(ReadManifestPlist(folder.path(), plist), 0);
    EXPECT_EQ(plist.isEncrypted, std::optional<bool>(true));

    const auto keybag = ParseKeybag(plist.backupKeyBag);
    ASSERT_TRUE(keybag);
    EXPECT_EQ(keybag->HasSha256Stage(), std::string(c.file).find("-10-") != std::string::npos);
    Key256 passcode;
    ASSERT_TRUE(DerivePasscodeKey(*keybag, c.password, passcode));
    EXPECT_EQ(HexOf(passcode), expected.at("passcode_key"));
    const ClassKeys classKeys = UnlockClassKeys(*keybag, passcode);
    EXPECT_EQ(classKeys.size(), 11u);
    for (const auto& [cls, key] : classKeys) EXPECT_EQ(HexOf(key), expected.at("class_" + std::to_string(cls) + "_key"));
    if (expected.count("manifest_key")) {
      const auto manifestKey = UnwrapClassWrappedKey(classKeys, plist.manifestKey);
      ASSERT_TRUE(manifestKey);
      EXPECT_EQ(HexOf(*manifestKey), expected.at("manifest_key"));
    }
    if (keybag->HasSha256Stage()) continue;  // another two seconds for what the others show
    Key256 wrong;
    ASSERT_TRUE(DerivePasscodeKey(*keybag, std::string(c.password) + "x", wrong));
    EXPECT_TRUE(UnlockClassKeys(*keybag, wrong).empty());
  }
}

// Published password vectors: (version, WPKY, ITER, SALT, DPIC, DPSL). The two-stage derivation
// is checked on the vector whose SHA-256 stage has only 1000 rounds; the others take seconds each.
TEST(KeybagTest, PublishedPasswordVectors) {
  const fs::path file = Anchors() / "keybag-vectors" / "itunes_backup_hash_vectors.txt";
  if (!fs::exists(file)) GTEST_SKIP() << "no sample data at " << file;
  std::ifstream in(file);
  int checked = 0;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream row(line);
    std::string password, hash;
    std::getline(row, password, '\t');
    std::getline(row, hash, '\t');
    std::vector<std::string> f;
    std::istringstream parts(hash);
    for (std::string part; std::getline(parts, part, '*');) f.push_back(part);
    ASSERT_GE(f.size(), 5u) << hash;
    Keybag bag;
    bag.iterations = static_cast<std::uint32_t>(std::stoul(f[3]));
    bag.salt = Unhex(f[4]);
    if (f[1] == "10") {
      bag.dpIterations = static_cast<std::uint32_t>(std::stoul(f[5]));
      bag.dpSalt = Unhex(f[6]);
      if (bag.dpIterations > 1000) continue;
    }
    bag.classes.push_back({1, 2, 0, Unhex(f[2])});
    SCOPED_TRACE(hash.substr(0, 60));
    Key256 key;
    ASSERT_TRUE(DerivePasscodeKey(bag, password, key));
    EXPECT_EQ(UnlockClassKeys(bag, key).size(), 1u);
    ASSERT_TRUE(DerivePasscodeKey(bag, password + "!", key));
    EXPECT_TRUE(UnlockClassKeys(bag, key).empty());
    ++checked;
  }
  EXPECT_GE(checked, 3);
}

}  // namespace
}  // namespace vesmar
