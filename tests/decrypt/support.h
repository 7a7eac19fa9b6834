// Helpers shared by the decryption tests.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tools/decrypt/backup_decryption.h"

namespace vesmar::testing_support {

// The public sample data; tests that need it skip when it is absent.
std::filesystem::path Anchors();

std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& bytes);
std::string Sha256Hex(const std::string& bytes);
std::string Hex(const unsigned char* bytes, std::size_t n);
std::string Unhex(const std::string& hex);

// Every regular file under `folder` (recursively) with its bytes.
std::map<std::filesystem::path, std::string> Snapshot(const std::filesystem::path& folder);

// Records what the decryption reports.
struct RecordingReporter : decrypt::DecryptionReporter {
  std::vector<std::uint64_t> counts;
  int wrongPassword = 0;
  std::vector<std::string> warnings;
  void Count(std::uint64_t n) override { counts.push_back(n); }
  void WrongPassword() override { ++wrongPassword; }
  void Warning(const std::string& text) override { warnings.push_back(text); }
  bool Warned(const std::string& part) const;
};

}  // namespace vesmar::testing_support
