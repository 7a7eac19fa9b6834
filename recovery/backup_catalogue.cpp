#include "recovery/backup_catalogue.h"

#include <plist/plist.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <memory>
#include <system_error>

#include "platform/file_ops.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "recovery/hashed_name.h"
#include "recovery/manifest_plist.h"
#include "recovery/well_known_files.h"
#include "sqlite_recovery/date_text.h"

namespace vesmar {

namespace fs = std::filesystem;

namespace {

// Info.plist can carry app metadata and artwork; anything beyond this is not an Info.plist.
constexpr std::uint64_t kMaxInfoPlistSize = 64ull << 20;

struct PlistDeleter {
  void operator()(plist_t p) const { plist_free(p); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

std::string StringValue(plist_t node) {
  if (!node || plist_get_node_type(node) != PLIST_STRING) return {};
  std::uint64_t length = 0;
  const char* p = plist_get_string_ptr(node, &length);
  return p ? std::string(p, length) : std::string();
}

// The date as UTC text, "YYYY-MM-DD hh:mm:ss".
std::string UtcDateText(plist_t node) {
  if (!node) return {};
  if (plist_get_node_type(node) == PLIST_DATE) {
    std::int32_t sec = 0, usec = 0;
    plist_get_date_val(node, &sec, &usec);
    const std::time_t t = static_cast<std::time_t>(sec) + kAppleEpochOffset;
    std::tm tm{};
    if (!gmtime_r(&t, &tm)) return {};
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1,
                  tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
    return buf;
  }
  // A date written as text: "T" becomes a blank and the text ends at "Z".
  std::string text = StringValue(node);
  std::replace(text.begin(), text.end(), 'T', ' ');
  if (const auto z = text.find('Z'); z != std::string::npos) text.resize(z);
  return text;
}

int LeadingInteger(std::string_view text) {
  long value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') break;
    value = value * 10 + (c - '0');
    if (value > 1'000'000) break;
  }
  return static_cast<int>(value);
}

bool StartsWithSqliteNoCase(const std::string& head) {
  return head.size() >= 6 && EqualsNoCaseAscii(head.substr(0, 6), "SQLite");
}

}  // namespace

fs::path CatalogueRoot() { return RoamingAppDataFolder() / "Apple Computer" / "MobileSync" / "Backup"; }

std::vector<fs::path> CatalogueFolders(const fs::path& root) {
  std::vector<fs::path> folders;
  std::error_code ec;
  fs::directory_iterator it(root, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (!name.empty() && name[0] != '.') folders.push_back(it->path());
  }
  return folders;
}

int IsEncryptedBackup(const fs::path& folder) {
  // The backup's own statement wins; an encrypted backup without an address book would
  // otherwise pass for a plain one.
  if (const auto flagged = ManifestSaysEncrypted(folder)) return *flagged ? 1 : 0;
  const bool twoLevel = FileExists(folder / "Manifest.db");
  fs::path book = HashedFilePath(folder, well_known::kAddressBook, twoLevel);
  std::ifstream in(book, std::ios::binary);
  if (!in) {
    in.clear();
    in.open(fs::path(book.string() + ".mddata"), std::ios::binary);
    if (!in) return 0;
  }
  std::string head(512, '\0');
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<std::size_t>(in.gcount()));
  return StartsWithSqliteNoCase(head) ? 0 : 1;
}

std::string ConvertBackupDate(std::string_view text) {
  // Numbers follow the start, the first "-", the second "-", the first blank after it, and the
  // first and second ":".
  auto number = [&](std::size_t pos) {
    long v = 0;
    for (std::size_t i = pos; i < text.size() && text[i] >= '0' && text[i] <= '9' && v < 100000; ++i)
      v = v * 10 + (text[i] - '0');
    return static_cast<int>(v);
  };
  const auto dash1 = text.find('-');
  if (dash1 == std::string_view::npos) return {};
  const auto dash2 = text.find('-', dash1 + 1);
  if (dash2 == std::string_view::npos) return {};
  const auto blank = text.find(' ', dash2 + 1);
  if (blank == std::string_view::npos) return {};
  const auto colon1 = text.find(':', blank + 1);
  if (colon1 == std::string_view::npos) return {};
  const auto colon2 = text.find(':', colon1 + 1);
  if (colon2 == std::string_view::npos) return {};

  std::tm tm{};
  tm.tm_year = number(0) - 1900;
  tm.tm_mon = number(dash1 + 1) - 1;
  tm.tm_mday = number(dash2 + 1);
  tm.tm_hour = number(blank + 1);
  tm.tm_min = number(colon1 + 1);
  tm.tm_sec = number(colon2 + 1);
  const std::time_t utc = timegm(&tm);
  tzset();
  // `timezone` is the standard-time offset west of UTC in seconds: the same bias without
  // daylight saving.
  const std::time_t local = utc - timezone;
  std::tm out{};
  if (!gmtime_r(&local, &out)) return {};
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", out.tm_year + 1900, out.tm_mon + 1,
                out.tm_mday, out.tm_hour, out.tm_min, out.tm_sec);
  return buf;
}

int ReadBackupFolder(const fs::path& folder, BackupEntry& entry) {
  const auto data = ReadWholeFile(folder / "Info.plist", kMaxInfoPlistSize);
  if (!data) return 87;
  plist_t raw = nullptr;
  plist_from_memory(data->data(), static_cast<std::uint32_t>(data->size()), &raw);
  PlistPtr root(raw);
  entry = BackupEntry{};
  entry.folder = folder;
  if (root && plist_get_node_type(root.get()) == PLIST_DICT) {
    plist_t dict = root.get();
    entry.displayName = Utf8ToUtf16(StringValue(plist_dict_get_item(dict, "Display Name")));
    const std::string date = UtcDateText(plist_dict_get_item(dict, "Last Backup Date"));
    const std::string local = ConvertBackupDate(date);
    entry.lastBackupDate = local.empty() ? date : local;
    entry.phoneNumber = StringValue(plist_dict_get_item(dict, "Phone Number"));
    entry.newSchema = LeadingInteger(StringValue(plist_dict_get_item(dict, "Product Version"))) > 11;
    entry.serialNumber = StringValue(plist_dict_get_item(dict, "Serial Number"));
  }
  entry.encrypted = static_cast<std::uint8_t>(IsEncryptedBackup(folder));
  return 0;
}

std::vector<BackupEntry> ListBackupFolders(const std::vector<fs::path>& folders) {
  std::vector<BackupEntry> entries;
  for (const auto& folder : folders) {
    BackupEntry entry;
    if (ReadBackupFolder(folder, entry) == 0) entries.push_back(std::move(entry));
  }
  std::stable_sort(entries.begin(), entries.end(), [](const BackupEntry& a, const BackupEntry& b) {
    return ToLowerAscii(a.lastBackupDate) > ToLowerAscii(b.lastBackupDate);
  });
  return entries;
}

}  // namespace vesmar
