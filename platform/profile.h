// Profile (INI) files: the settings file and the language files.
//
// Rules: "[name]" opens a section; every other non-blank line of a section is split at its first
// "=" (a value may hold more "=" characters); a line without "=" gives a key and a value that are
// both the whole line. Names and keys are compared exactly (case-sensitive). Spaces and tabs
// around keys and values are dropped, lines starting with ";" are comments. UTF-8 files (with or
// without byte-order mark) and UTF-16 LE files with byte-order mark are read.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vesmar {

struct ProfileSection {
  std::string name;
  // In file order, duplicates included: callers keep the first occurrence of a key.
  std::vector<std::pair<std::string, std::string>> lines;
};

// Larger files are refused (read as absent): a profile is a few kilobytes.
inline constexpr std::uint64_t kProfileSizeLimit = 16u << 20;

// Every section in file order (a section named twice is merged into its first place). Empty
// when the file is missing, unreadable or too large.
std::vector<ProfileSection> ReadProfile(const std::filesystem::path& file);
std::vector<ProfileSection> ParseProfile(std::string_view content);

// The first value of `key` in `section`, cut to `maxChars` characters (UTF-8 sequences are kept
// whole); `fallback` when the file, the section or the key is missing.
std::string ReadProfileString(const std::filesystem::path& file, std::string_view section,
                              std::string_view key, std::string_view fallback,
                              std::size_t maxChars);

}  // namespace vesmar
