#include <fstream>
#include <memory>
#include <set>

#include "tests/device/fake/fake_device.h"

namespace vesmar::fake {

namespace fs = std::filesystem;

std::optional<std::int64_t> BackupPeer::UploadItems(const std::vector<UploadItem>& items, double progress) {
  std::uint64_t total = 0;
  for (const auto& item : items) total += item.size;
  PlistPtr message(plist_new_array());
  plist_array_append_item(message.get(), plist_new_string("DLMessageUploadFiles"));
  plist_array_append_item(message.get(), plist_new_dict());
  plist_array_append_item(message.get(), plist_new_real(progress));
  plist_array_append_item(message.get(), plist_new_uint(total));
  if (!Send(std::move(message))) return std::nullopt;

  constexpr std::size_t kPiece = 32768;
  std::string block(kPiece + 5, '\0');
  for (const auto& item : items) {
    const std::string devicePath = "/private/var/mobile/" + item.name;
    if (!SendRaw(Be32(static_cast<std::uint32_t>(devicePath.size())) + devicePath +
                 Be32(static_cast<std::uint32_t>(item.name.size())) + item.name))
      return std::nullopt;
    for (std::uint64_t sent = 0; sent < item.size;) {
      const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, item.size - sent));
      const std::string header = Be32(static_cast<std::uint32_t>(n) + 1);
      block.replace(0, 4, header);
      block[4] = '\x0C';
      item.fill(block.data() + 5, n);
      if (!stream_.WriteAll(block.data(), n + 5)) return std::nullopt;
      sent += n;
    }
    if (!SendRaw(Be32(1) + '\x00')) return std::nullopt;
  }
  if (!SendRaw(Be32(0))) return std::nullopt;
  return ExpectStatus();
}

std::function<void(BackupPeer&)> FullBackupFrom(fs::path backupFolder) {
  return [backupFolder](BackupPeer& peer) {
    const std::string udid = PlistText(plist_dict_get_item(peer.request(), "TargetIdentifier")).value_or("");
    peer.FreeDiskSpace();
    peer.CreateDirectory(udid);

    std::vector<fs::path> files;
    std::set<std::string> folders;
    for (const auto& entry : fs::recursive_directory_iterator(backupFolder)) {
      if (!entry.is_regular_file()) continue;
      const fs::path relative = fs::relative(entry.path(), backupFolder);
      if (relative == "Info.plist") continue;  // the host writes its own
      files.push_back(relative);
      if (relative.has_parent_path()) folders.insert(relative.parent_path().string());
    }
    std::sort(files.begin(), files.end());
    for (const auto& folder : folders) peer.CreateDirectory(udid + "/" + folder);

    std::vector<UploadItem> batch;
    double progress = 1;
    auto flush = [&] {
      if (batch.empty()) return;
      peer.UploadItems(batch, progress);
      progress = std::min(progress + 10, 95.0);
      batch.clear();
    };
    for (const auto& relative : files) {
      const fs::path source = backupFolder / relative;
      auto in = std::make_shared<std::ifstream>(source, std::ios::binary);
      batch.push_back({udid + "/" + relative.string(), fs::file_size(source),
                       [in](char* buffer, std::size_t n) { in->read(buffer, static_cast<std::streamsize>(n)); }});
      if (batch.size() == 32) flush();
    }
    flush();

    const std::string status =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
        "<key>BackupState</key><string>new</string><key>IsFullBackup</key><true/>"
        "<key>SnapshotState</key><string>finished</string><key>Version</key><string>3.3</string>"
        "</dict></plist>\n";
    peer.Upload({{udid + "/Status.plist", status}}, 99);
    peer.Finish(0);
  };
}

}  // namespace vesmar::fake
