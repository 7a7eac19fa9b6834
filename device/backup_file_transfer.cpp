#include "device/backup_file_transfer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "device/backup_folder_ops.h"

namespace vesmar {

namespace fs = std::filesystem;

namespace {

std::uint32_t ReadBe32(const unsigned char* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

void WriteBe32(char* p, std::uint32_t v) {
  p[0] = static_cast<char>(v >> 24);
  p[1] = static_cast<char>(v >> 16);
  p[2] = static_cast<char>(v >> 8);
  p[3] = static_cast<char>(v);
}

enum class Got { All, Stopped, Gone };

// Reads exactly `length` bytes. Waits in slices so a stop request is seen; a device that is no
// longer listed, or silent for longer than the loop would wait, counts as gone.
Got ReceiveExact(IDeviceLinkChannel& channel, char* data, std::uint32_t length, const LinkContext& context) {
  using Clock = std::chrono::steady_clock;
  const LinkTimings& t = context.timings;
  std::uint32_t got = 0;
  auto quietSince = Clock::now();
  auto lastPresenceCheck = quietSince;
  while (got < length) {
    if (context.StopRequested()) return Got::Stopped;
    std::uint32_t received = 0;
    const ReceiveStatus status = channel.ReceiveRaw(data + got, length - got, received, t.sliceMs);
    if (status == ReceiveStatus::Closed) return Got::Gone;
    if (received > 0) {
      got += received;
      quietSince = lastPresenceCheck = Clock::now();
      continue;
    }
    const auto now = Clock::now();
    if (now - quietSince >= std::chrono::milliseconds(t.rawSilenceMs)) return Got::Gone;
    if (now - lastPresenceCheck >= std::chrono::milliseconds(t.messageWaitMs)) {
      if (!context.DevicePresent()) return Got::Gone;
      lastPresenceCheck = now;
    }
  }
  return Got::All;
}

// Reads and throws away `length` bytes.
Got Drain(IDeviceLinkChannel& channel, std::uint64_t length, std::vector<char>& buffer, const LinkContext& context) {
  while (length > 0) {
    const auto piece = static_cast<std::uint32_t>(std::min<std::uint64_t>(length, buffer.size()));
    if (const Got g = ReceiveExact(channel, buffer.data(), piece, context); g != Got::All) return g;
    length -= piece;
  }
  return Got::All;
}

struct Name {
  Got got = Got::All;
  bool end = false;  // end of the list, or a length we cannot take
  std::string text;
};

Name ReceiveName(IDeviceLinkChannel& channel, const LinkContext& context) {
  Name name;
  unsigned char lengthBytes[4];
  name.got = ReceiveExact(channel, reinterpret_cast<char*>(lengthBytes), 4, context);
  if (name.got != Got::All) return name;
  const std::uint32_t length = ReadBe32(lengthBytes);
  if (length == 0) {
    name.end = true;
    return name;
  }
  if (length > kMaxTransferName) {
    std::fprintf(stderr, "ERROR: %s: too large filename length (%u)!\n", __func__, length);
    name.end = true;
    return name;
  }
  name.text.resize(length);
  name.got = ReceiveExact(channel, name.text.data(), length, context);
  return name;
}

// The file being received: written while it can be, otherwise only counted off the stream.
class IncomingFile {
 public:
  explicit IncomingFile(const std::optional<fs::path>& path) {
    if (!path) {
      error_ = EACCES;
      return;
    }
    path_ = *path;
    std::error_code ec;
    fs::create_directories(path_.parent_path(), ec);
    ::unlink(path_.c_str());
    fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd_ < 0) {
      error_ = errno;
      std::fprintf(stderr, "Error opening '%s' for writing: %s\n", path_.c_str(), ErrorText(error_).c_str());
    }
  }
  ~IncomingFile() { Close(); }
  IncomingFile(const IncomingFile&) = delete;
  IncomingFile& operator=(const IncomingFile&) = delete;

  void Write(const char* data, std::size_t length) {
    while (fd_ >= 0 && length > 0) {
      const ssize_t n = ::write(fd_, data, length);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        Fail(n < 0 ? errno : ENOSPC);
        return;
      }
      data += n;
      length -= static_cast<std::size_t>(n);
    }
  }
  // Ends the file; a file that was not written whole is removed.
  void Finish(bool complete) {
    if (fd_ >= 0 && ::close(fd_) != 0 && error_ == 0) error_ = errno;
    fd_ = -1;
    if ((!complete || error_ != 0) && !path_.empty()) ::unlink(path_.c_str());
  }
  int error() const { return error_; }

 private:
  void Fail(int error) {
    error_ = error;
    Close();
    ::unlink(path_.c_str());
  }
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  fs::path path_;
  int fd_ = -1;
  int error_ = 0;
};

void AddFileError(plist_t errors, const std::string& name, int error) {
  plist_t entry = plist_new_dict();
  plist_dict_set_item(entry, "DLFileErrorString", plist_new_string(ErrorText(error).c_str()));
  plist_dict_set_item(entry, "DLFileErrorCode", plist_new_uint(static_cast<std::uint64_t>(DeviceErrorCode(error))));
  plist_dict_set_item(errors, name.c_str(), entry);
}

void SendTransferStatus(IDeviceLinkChannel& channel, plist_t errors) {
  const bool failed = plist_dict_get_size(errors) > 0;
  channel.SendStatusResponse(failed ? -13 : 0, failed ? "Multi status" : nullptr, errors);
}

}  // namespace

int ReceiveFiles(IDeviceLinkChannel& channel, const fs::path& root, const LinkContext& context) {
  PlistPtr errors(plist_new_dict());
  std::vector<char> buffer(kTransferPiece);
  int written = 0;
  bool gone = false;
  while (!context.StopRequested()) {
    const Name deviceName = ReceiveName(channel, context);  // the device's own path, not used
    if (deviceName.got != Got::All || deviceName.end) {
      gone = deviceName.got == Got::Gone;
      break;
    }
    const Name backupName = ReceiveName(channel, context);
    if (backupName.got != Got::All || backupName.end) {
      gone = backupName.got == Got::Gone;
      break;
    }
    IncomingFile file(ResolveDeviceName(root, backupName.text));

    unsigned char header[5];
    Got got = ReceiveExact(channel, reinterpret_cast<char*>(header), 5, context);
    std::uint32_t length = ReadBe32(header);
    std::uint8_t code = header[4];
    bool endOfList = false;
    while (got == Got::All && code == kBlockFileData) {
      for (std::uint64_t left = length > 0 ? length - 1 : 0; left > 0 && got == Got::All;) {
        const auto piece = static_cast<std::uint32_t>(std::min<std::uint64_t>(left, buffer.size()));
        got = ReceiveExact(channel, buffer.data(), piece, context);
        if (got == Got::All) file.Write(buffer.data(), piece);
        left -= piece;
      }
      if (got != Got::All) break;
      got = ReceiveExact(channel, reinterpret_cast<char*>(header), 4, context);
      if (got != Got::All) break;
      length = ReadBe32(header);
      if (length == 0) {
        endOfList = true;
        break;
      }
      got = ReceiveExact(channel, reinterpret_cast<char*>(header + 4), 1, context);
      code = header[4];
    }
    if (got != Got::All) {
      file.Finish(false);
      gone = got == Got::Gone;
      break;
    }
    if (!endOfList && length > 1) {
      // The device's error text, or a payload on a block that should carry none: read off so the
      // stream stays in step, shown only as a diagnostic.
      std::string text(std::min<std::uint32_t>(length - 1, 1024), '\0');
      got = ReceiveExact(channel, text.data(), static_cast<std::uint32_t>(text.size()), context);
      if (got == Got::All) got = Drain(channel, length - 1 - text.size(), buffer, context);
      if (code == kBlockRemoteError) std::fprintf(stderr, "\nReceived an error message from device: %s\n", text.c_str());
    }
    file.Finish(got == Got::All);
    if (file.error() != 0) {
      AddFileError(errors.get(), backupName.text, file.error());
    } else if (got == Got::All) {
      ++written;
    }
    if (got != Got::All) {
      gone = got == Got::Gone;
      break;
    }
    if (endOfList) break;
  }
  if (gone) context.RequestStop();
  SendTransferStatus(channel, errors.get());
  return written;
}

namespace {

// Sends one requested file: its name, its data blocks and the success block. On a local failure
// the error block and an entry in `errors`. -1 when the list must stop.
int SendOneFile(IDeviceLinkChannel& channel, const fs::path& root, const std::string& name, plist_t errors,
                std::vector<char>& buffer) {
  char header[5];
  WriteBe32(header, static_cast<std::uint32_t>(name.size()));
  if (channel.SendRaw(header, 4) != 0 || channel.SendRaw(name.data(), static_cast<std::uint32_t>(name.size())) != 0)
    return -1;

  int error = 0;
  const auto path = ResolveDeviceName(root, name);
  int fd = -1;
  std::uint64_t size = 0;
  if (!path) {
    error = EACCES;
  } else {
    struct stat st {};
    if (::stat(path->c_str(), &st) != 0) {
      error = errno;
      if (error != ENOENT) std::fprintf(stderr, "%s: stat failed on '%s': %d\n", __func__, path->c_str(), error);
    } else {
      size = static_cast<std::uint64_t>(st.st_size);
      if (size > 0 && (fd = ::open(path->c_str(), O_RDONLY | O_CLOEXEC)) < 0) {
        error = errno;
        std::fprintf(stderr, "%s: Error opening local file '%s': %d\n", __func__, path->c_str(), error);
      }
    }
  }
  for (std::uint64_t sent = 0; error == 0 && sent < size;) {
    const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(size - sent, kTransferPiece));
    ssize_t n;
    do n = ::read(fd, buffer.data() + 5, want);
    while (n < 0 && errno == EINTR);
    if (n <= 0) {
      error = n < 0 ? errno : EIO;
      std::fprintf(stderr, "%s: read error\n", __func__);
      break;
    }
    WriteBe32(buffer.data(), static_cast<std::uint32_t>(n) + 1);
    buffer[4] = static_cast<char>(kBlockFileData);
    if (channel.SendRaw(buffer.data(), static_cast<std::uint32_t>(n) + 5) != 0) {
      if (fd >= 0) ::close(fd);
      return -1;
    }
    sent += static_cast<std::uint64_t>(n);
  }
  if (fd >= 0) ::close(fd);
  if (error == 0) {
    WriteBe32(header, 1);
    header[4] = static_cast<char>(kBlockSuccess);
    return channel.SendRaw(header, 5) == 0 ? 0 : -1;
  }
  AddFileError(errors, name, error);
  const std::string text = ErrorText(error);
  WriteBe32(header, static_cast<std::uint32_t>(text.size()) + 1);
  header[4] = static_cast<char>(kBlockLocalError);
  channel.SendRaw(header, 5);
  channel.SendRaw(text.data(), static_cast<std::uint32_t>(text.size()));
  return -1;
}

}  // namespace

void SendFiles(IDeviceLinkChannel& channel, const fs::path& root, plist_t names) {
  PlistPtr errors(plist_new_dict());
  std::vector<char> buffer(kTransferPiece + 5);
  for (std::uint32_t i = 0; i < PlistSize(names); ++i) {
    const auto name = PlistText(PlistItem(names, i));
    if (!name) continue;
    if (SendOneFile(channel, root, *name, errors.get(), buffer) < 0) break;
  }
  const char endOfList[4] = {0, 0, 0, 0};
  channel.SendRaw(endOfList, 4);
  SendTransferStatus(channel, errors.get());
}

}  // namespace vesmar
