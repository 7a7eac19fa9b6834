#include "tools/decrypt/file_decryption.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

namespace vesmar::decrypt {

namespace {

// Small enough to stay in a core's L2 cache between the read, the decryption and the write.
constexpr std::size_t kBufferSize = 256u << 10;

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return fd < 0 || close(fd) == 0;
  }

 private:
  int fd_;
};

// Reads until `size` bytes or the end of the file; -1 on a read error.
ssize_t ReadFull(int fd, unsigned char* data, std::size_t size) {
  std::size_t got = 0;
  while (got < size) {
    const ssize_t n = read(fd, data + got, size - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  return static_cast<ssize_t>(got);
}

bool WriteFull(int fd, const unsigned char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

FileDecryptor::FileDecryptor() : buffer_(kBufferSize) {}

FileOutcome FileDecryptor::Run(const Key256* key, const std::filesystem::path& source,
                               const std::filesystem::path& destination) {
  FileOutcome outcome;
  // Only regular files are read: without O_NONBLOCK, opening a FIFO planted in a backup would
  // wait for a writer forever (for a regular file the flag changes nothing).
  Fd in(open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (in.get() < 0) {
    outcome.error = errno;
    outcome.status = errno == ENOENT ? FileStatus::SourceMissing : FileStatus::SourceUnreadable;
    return outcome;
  }
  struct stat st {};
  if (fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
    outcome.error = EINVAL;
    outcome.status = FileStatus::SourceUnreadable;
    return outcome;
  }
  posix_fadvise(in.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
  Fd out(open(destination.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (out.get() < 0) {
    outcome.error = errno;
    outcome.status = FileStatus::CannotWrite;
    return outcome;
  }
  if (key && !cipher_.Start(*key)) {
    outcome.status = FileStatus::CipherFailed;
    return outcome;
  }

  auto emit = [&](const unsigned char* data, std::size_t size) {
    outcome.plainBytes += size;
    if (WriteFull(out.get(), data, size)) return true;
    outcome.error = errno ? errno : EIO;
    return false;
  };

  // The last decrypted block is held back until the end, where its padding is judged.
  std::array<unsigned char, 16> held{};
  bool haveHeld = false;
  for (;;) {
    const ssize_t got = ReadFull(in.get(), buffer_.data(), buffer_.size());
    if (got < 0) {
      outcome.error = errno;
      outcome.status = FileStatus::SourceUnreadable;
      return outcome;
    }
    if (got == 0) break;
    std::size_t length = static_cast<std::size_t>(got);
    if (!key) {
      if (!emit(buffer_.data(), length)) {
        outcome.status = FileStatus::CannotWrite;
        return outcome;
      }
      continue;
    }
    if (length % 16 != 0) {
      outcome.partialBlock = true;
      length -= length % 16;
    }
    if (length == 0) break;
    if (!cipher_.Update(buffer_.data(), length, buffer_.data())) {
      outcome.status = FileStatus::CipherFailed;
      return outcome;
    }
    if ((haveHeld && !emit(held.data(), held.size())) || !emit(buffer_.data(), length - 16)) {
      outcome.status = FileStatus::CannotWrite;
      return outcome;
    }
    std::memcpy(held.data(), buffer_.data() + length - 16, 16);
    haveHeld = true;
    if (outcome.partialBlock) break;
  }

  if (haveHeld) {
    const std::size_t pad = Pkcs7PaddingLength(
        std::string_view(reinterpret_cast<const char*>(held.data()), held.size()));
    outcome.paddingValid = pad != 0;
    if (!emit(held.data(), held.size() - pad)) {
      outcome.status = FileStatus::CannotWrite;
      return outcome;
    }
  } else if (key) {
    outcome.paddingValid = false;  // nothing stored at all: not even the padding block
  }
  if (!out.Close()) {
    outcome.error = errno;
    outcome.status = FileStatus::CannotWrite;
  }
  return outcome;
}

}  // namespace vesmar::decrypt
