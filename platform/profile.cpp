#include "platform/profile.h"

#include "platform/file_ops.h"
#include "platform/text.h"

namespace vesmar {
namespace {

std::string_view Trim(std::string_view s) {
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const auto last = s.find_last_not_of(" \t");
  return s.substr(first, last - first + 1);
}

// UTF-16 LE files are what a Windows editor saves as "Unicode"; everything else is taken as UTF-8.
std::string ToUtf8(std::string_view raw) {
  if (raw.size() >= 2 && static_cast<unsigned char>(raw[0]) == 0xFF &&
      static_cast<unsigned char>(raw[1]) == 0xFE) {
    std::u16string wide;
    wide.reserve(raw.size() / 2);
    for (std::size_t i = 2; i + 1 < raw.size(); i += 2) {
      wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(raw[i]) |
                                           (static_cast<unsigned char>(raw[i + 1]) << 8)));
    }
    return Utf16ToUtf8(wide);
  }
  if (raw.substr(0, 3) == "\xEF\xBB\xBF") raw.remove_prefix(3);
  return std::string(raw);
}

}  // namespace

std::vector<ProfileSection> ParseProfile(std::string_view raw) {
  const std::string content = ToUtf8(raw);
  std::vector<ProfileSection> sections;
  ProfileSection* current = nullptr;
  std::string_view rest(content);
  while (!rest.empty()) {
    const auto end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    line = Trim(line);
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      const auto close = line.find(']');
      const std::string name(Trim(line.substr(1, close == std::string_view::npos ? line.npos
                                                                                 : close - 1)));
      current = nullptr;
      for (auto& s : sections) {
        if (s.name == name) current = &s;
      }
      if (!current) current = &sections.emplace_back(ProfileSection{name, {}});
      continue;
    }
    if (!current) continue;  // lines before the first section belong to none
    const auto eq = line.find('=');
    if (eq == std::string_view::npos) {
      current->lines.emplace_back(std::string(line), std::string(line));
    } else {
      current->lines.emplace_back(std::string(Trim(line.substr(0, eq))),
                                  std::string(Trim(line.substr(eq + 1))));
    }
  }
  return sections;
}

std::vector<ProfileSection> ReadProfile(const std::filesystem::path& file) {
  const auto content = ReadWholeFile(file, kProfileSizeLimit);
  if (!content) return {};
  return ParseProfile(*content);
}

std::string ReadProfileString(const std::filesystem::path& file, std::string_view section,
                              std::string_view key, std::string_view fallback,
                              std::size_t maxChars) {
  std::string value(fallback);
  bool found = false;
  for (const auto& s : ReadProfile(file)) {
    if (s.name != section) continue;
    for (const auto& [k, v] : s.lines) {
      if (k == key) {
        value = v;
        found = true;
        break;
      }
    }
    if (found) break;
  }
  // Cut by characters, never inside a UTF-8 sequence.
  std::size_t chars = 0;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if ((static_cast<unsigned char>(value[i]) & 0xC0) == 0x80) continue;
    if (chars++ == maxChars) {
      value.resize(i);
      break;
    }
  }
  return value;
}

}  // namespace vesmar
