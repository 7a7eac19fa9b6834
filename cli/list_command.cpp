// vesmar-cli list: the backups kept for the current user, newest first.
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>

#include "cli/commands.h"
#include "cli/json_records.h"
#include "cli/terminal_text.h"
#include "platform/text.h"
#include "recovery/backup_catalogue.h"

namespace vesmar::cli {

namespace {

constexpr const char* kListUsage = "usage: vesmar-cli list [--json]\n";

// Pads UTF-8 text to `width` characters (code points), so names with accents line up.
std::string Padded(const std::string& text, std::size_t width) {
  std::size_t chars = 0;
  for (const unsigned char c : text) chars += (c & 0xC0) != 0x80 ? 1 : 0;
  return chars >= width ? text + " " : text + std::string(width - chars, ' ');
}

nlohmann::ordered_json EntryJson(const BackupEntry& e) {
  return {{"displayName", Utf16ToUtf8(e.displayName)},
          {"lastBackupDate", e.lastBackupDate},
          {"serialNumber", e.serialNumber},
          {"phoneNumber", e.phoneNumber},
          {"encrypted", e.encrypted != 0},
          {"newSchema", e.newSchema != 0},
          {"folder", e.folder.string()}};
}

}  // namespace

int ListCommand(const Args& args) {
  bool json = false;
  for (const auto& a : args) {
    if (a != "--json") {
      std::fputs(kListUsage, stderr);
      return kExitUsage;
    }
    json = true;
  }
  // The catalogue functions alone: making a CItunesBackup would clear the working files of a
  // program that is running beside us.
  const std::vector<BackupEntry> entries = ListBackupFolders(CatalogueFolders(CatalogueRoot()));

  if (json) {
    auto list = nlohmann::ordered_json::array();
    for (const auto& e : entries) list.push_back(EntryJson(e));
    std::cout << JsonText({{"root", CatalogueRoot().string()}, {"backups", list}}, 2) << '\n';
    return kExitOk;
  }
  if (entries.empty()) {
    std::printf("No backups in %s\n", CatalogueRoot().c_str());
    return kExitOk;
  }
  std::printf("%s%s%s%s%s\n", Padded("Name", 28).c_str(), Padded("Last Backup Date", 21).c_str(),
              Padded("Serial Number", 16).c_str(), Padded("Encrypted", 10).c_str(), "Folder");
  for (const auto& e : entries) {
    std::printf("%s%s%s%s%s\n", Padded(TerminalText(Utf16ToUtf8(e.displayName)), 28).c_str(),
                Padded(TerminalText(e.lastBackupDate), 21).c_str(), Padded(TerminalText(e.serialNumber), 16).c_str(),
                Padded(e.encrypted ? "yes" : "no", 10).c_str(), TerminalText(e.folder.string()).c_str());
  }
  return kExitOk;
}

}  // namespace vesmar::cli
