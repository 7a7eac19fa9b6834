#include "cli/backup_opener.h"

#include <cstdio>
#include <iostream>

#include "cli/open_messages.h"
#include "platform/file_ops.h"
#include "platform/text.h"
#include "recovery/backup_catalogue.h"
#include "recovery/parser_factory.h"
#include "recovery/result_codes.h"

namespace vesmar::cli {

bool ResolvePassword(std::optional<std::string>& password) {
  if (!password || *password != "-") return true;
  std::string line;
  if (!std::getline(std::cin, line)) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  password = line;
  return true;
}

int OpenBackupFolder(const std::filesystem::path& folder, const std::optional<std::string>& password,
                     ProgressDisplay& progress, OpenedBackup& opened, std::string& why) {
  if (!FolderExists(folder)) {
    why = folder.string() + ": " + (FileExists(folder) ? "is a file, not a backup folder" : "no such folder");
    std::fprintf(stderr, "vesmar-cli: %s\n", why.c_str());
    return result::kInvalid;
  }
  if (ReadBackupFolder(folder, opened.entry) != 0) {
    // Info.plist only describes the backup; the manifest decides whether it can be read.
    opened.entry.folder = folder;
    opened.entry.encrypted = static_cast<std::uint8_t>(IsEncryptedBackup(folder));
    std::fprintf(stderr, "vesmar-cli: warning: %s has no readable Info.plist\n", folder.c_str());
  }
  opened.backup.SetEntry(opened.entry);
  opened.parser = CreateParser(static_cast<int>(ScanSource::Backup), &opened.backup);
  opened.parser->SetProgressCallback(&ProgressDisplay::Callback, &progress);
  if (opened.entry.encrypted) progress.Note("Encrypted backup: deriving the key from the password...");

  const int rc = opened.parser->Open(Utf8ToUtf16(password.value_or("")));
  if (rc != 0) {
    progress.Note("");
    why = OpenFailureText(rc, folder);
    if (rc == result::kWrongPassword && !password) why = "the backup is encrypted: give its password with --password";
    std::fprintf(stderr, "vesmar-cli: %s\n", why.c_str());
  }
  return rc;
}

}  // namespace vesmar::cli
