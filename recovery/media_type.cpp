#include "recovery/media_type.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <system_error>

#include "platform/text.h"
#include "recovery/result_codes.h"

namespace vesmar {

namespace fs = std::filesystem;
using namespace media_type;

namespace {

bool Has(const std::uint8_t* head, std::size_t count, std::size_t at, std::string_view bytes) {
  return at + bytes.size() <= count && std::memcmp(head + at, bytes.data(), bytes.size()) == 0;
}

std::uint32_t Le16(const std::uint8_t* p) { return p[0] | (p[1] << 8); }
std::uint32_t Le32(const std::uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

int DetectMpeg(const std::uint8_t* h, std::size_t n) {
  if (n < 16) return kNotRecognised;
  auto followedBy = [&](std::string_view start, std::string_view next) {
    if (!Has(h, n, 0, start)) return false;
    for (std::size_t at = 0; at <= 28; ++at)
      if (Has(h, n, at, next)) return true;
    return false;
  };
  using namespace std::string_view_literals;
  return followedBy("\x00\x00\x01\xBA"sv, "\x00\x00\x01\xBB"sv) || followedBy("\x00\x00\x01\xB3"sv, "\x00\x00\x01\xB8"sv)
             ? kMpeg
             : kNotRecognised;
}

int DetectMp4(const std::uint8_t* h, std::size_t n) {
  return n >= 32 && Has(h, n, 4, "ftyp") && (Has(h, n, 8, "iso") || Has(h, n, 8, "mp42")) ? kMp4 : kNotRecognised;
}

int DetectRealMedia(const std::uint8_t* h, std::size_t n) {
  return n >= 4 && Has(h, n, 0, ".RMF") ? kRealMedia : kNotRecognised;
}

int DetectAsf(const std::uint8_t* h, std::size_t n) {
  static constexpr std::string_view kGuid("\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C", 16);
  return n >= 24 && Has(h, n, 0, kGuid) ? kAsf : kNotRecognised;
}

int DetectAvi(const std::uint8_t* h, std::size_t n) {
  return n >= 16 && Has(h, n, 0, "RIFF") && Has(h, n, 8, "AVI ") && Has(h, n, 12, "LIST") ? kAvi : kNotRecognised;
}

int Detect3gp(const std::uint8_t* h, std::size_t n) {
  return n >= 32 && Has(h, n, 4, "ftyp") && Has(h, n, 8, "3gp") ? kThreeGp : kNotRecognised;
}

// An ID3v2 tag: version bytes not FF, no undefined flags, a syncsafe size.
int DetectMp3(const std::uint8_t* h, std::size_t n) {
  if (n < 10 || !Has(h, n, 0, "ID3")) return kNotRecognised;
  if (h[3] == 0xFF || h[4] == 0xFF || (h[5] & 0x1F) != 0) return kNotRecognised;
  for (int i = 6; i <= 9; ++i)
    if (h[i] >= 0x80) return kNotRecognised;
  return kMp3;
}

int DetectMidi(const std::uint8_t* h, std::size_t n) {
  using namespace std::string_view_literals;
  return n >= 16 && Has(h, n, 0, "MThd") && Has(h, n, 4, "\x00\x00\x00\x06"sv) && Has(h, n, 14, "MTrk")
             ? kMidi
             : kNotRecognised;
}

int DetectWav(const std::uint8_t* h, std::size_t n) {
  return n >= 16 && Has(h, n, 0, "RIFF") && Has(h, n, 8, "WAVE") && Has(h, n, 12, "fmt ") ? kWav : kNotRecognised;
}

int DetectQuickTime(const std::uint8_t* h, std::size_t n) {
  if (n < 16) return kNotRecognised;
  return Has(h, n, 0, "moov") || (Has(h, n, 4, "ftyp") && Has(h, n, 8, "qt  ")) ? kQuickTime : kNotRecognised;
}

int DetectGif(const std::uint8_t* h, std::size_t n) {
  if (n < 8 || !Has(h, n, 0, "GIF")) return kNotRecognised;
  auto digit = [](std::uint8_t c) { return c >= '0' && c <= '9'; };
  return digit(h[3]) && digit(h[4]) && h[5] >= 'a' && h[5] <= 'z' ? kGif : kNotRecognised;
}

int DetectBmp(const std::uint8_t* h, std::size_t n) {
  if (n < 40 || !(Has(h, n, 0, "BM") || Has(h, n, 0, "BA"))) return kNotRecognised;
  return Le16(h + 6) == 0 && Le16(h + 8) == 0 && Le32(h + 14) == 40 ? kBmp : kNotRecognised;
}

int DetectJpeg(const std::uint8_t* h, std::size_t n) {
  using namespace std::string_view_literals;
  if (n < 16) return kNotRecognised;
  const bool jfif = Has(h, n, 0, "\xFF\xD8\xFF\xE0"sv) && Has(h, n, 6, "JFIF");
  const bool exif = Has(h, n, 0, "\xFF\xD8\xFF\xE1"sv) && Has(h, n, 6, "Exif");
  return jfif || exif ? kJpeg : kNotRecognised;
}

int DetectPng(const std::uint8_t* h, std::size_t n) {
  return n >= 8 && Has(h, n, 0, "\x89PNG\r\n\x1A\n") ? kPng : kNotRecognised;
}

// The directory entries must describe images that follow each other without gaps.
int DetectIco(const std::uint8_t* h, std::size_t n) {
  using namespace std::string_view_literals;
  if (n < 16 || !Has(h, n, 0, "\x00\x00\x01\x00"sv)) return kNotRecognised;
  const std::uint64_t images = Le16(h + 4);
  if (images == 0 || 6 + 16 * images > n) return kNotRecognised;
  std::uint64_t expected = 6 + 16 * images;
  for (std::uint64_t i = 0; i < images; ++i) {
    const std::uint8_t* entry = h + 6 + 16 * i;
    if (entry[3] != 0 || Le32(entry + 12) != expected) return kNotRecognised;
    expected += Le32(entry + 8);
  }
  return kIco;
}

// ISO base media files whose major brand is a HEIF still-image brand.
int DetectHeic(const std::uint8_t* h, std::size_t n) {
  if (n < 16 || !Has(h, n, 4, "ftyp")) return kNotRecognised;
  static constexpr std::string_view kBrands[] = {"heic", "heix", "hevc", "heim", "heis", "mif1", "msf1"};
  for (const auto brand : kBrands)
    if (Has(h, n, 8, brand)) return kHeic;
  return kNotRecognised;
}

constexpr std::array<FileKind, 21> kTable = {{
    {"mpeg", kMpeg, &DetectMpeg},
    {"mpg", kMpeg, &DetectMpeg},
    {"vob", kMpeg, &DetectMpeg},
    {"mp4", kMp4, &DetectMp4},
    {"rmvb", kRealMedia, &DetectRealMedia},
    {"wmv", kAsf, &DetectAsf},
    {"wma", kAsf, &DetectAsf},
    {"avi", kAvi, &DetectAvi},
    {"3gp", kThreeGp, &Detect3gp},
    {"mp3", kMp3, &DetectMp3},
    {"mid", kMidi, &DetectMidi},
    {"wav", kWav, &DetectWav},
    {"mov", kQuickTime, &DetectQuickTime},
    {"gif", kGif, &DetectGif},
    {"bmp", kBmp, &DetectBmp},
    {"jpg", kJpeg, &DetectJpeg},
    {"jpeg", kJpeg, &DetectJpeg},
    {"jpe", kJpeg, &DetectJpeg},
    {"png", kPng, &DetectPng},
    {"ico", kIco, &DetectIco},
    {"heic", kHeic, &DetectHeic},
}};

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

std::span<const FileKind> FileKindTable() { return kTable; }

int DetectMediaTypeCode(const std::uint8_t* head, std::size_t count) {
  for (const auto& row : kTable) {
    const int code = row.detect(head, count);
    if (code != kNotRecognised) return code;
  }
  return kNotRecognised;
}

std::string_view ExtensionOfType(int typeCode) {
  for (const auto& row : kTable)
    if (row.typeCode == typeCode) return row.extension;
  return {};
}

int DetectMediaType(const fs::path& path, std::int64_t counter, std::string& answer) {
  answer.clear();
  // Only regular files: a device node or pipe planted in a backup folder must not block the scan.
  std::error_code ec;
  const auto status = fs::status(path, ec);
  if (ec) return ec.value();
  if (!fs::is_regular_file(status)) return result::kInvalid;
  errno = 0;
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) return errno != 0 ? errno : EIO;
  std::uint8_t head[kMediaHeadSize];
  if (std::fread(head, 1, sizeof head, file.get()) < sizeof head) return result::kShortRead;
  const int code = DetectMediaTypeCode(head, sizeof head);
  if (code != kNotRecognised) answer = std::to_string(counter) + "." + std::string(ExtensionOfType(code));
  return result::kOk;
}

std::string_view AnswerExtension(std::string_view answer) {
  const auto dot = answer.rfind('.');
  return dot == std::string_view::npos ? std::string_view() : answer.substr(dot + 1);
}

bool IsHeifExtension(std::u16string_view extension) {
  const std::u16string folded = FoldCase(extension);
  return folded == u"heic" || folded == u"heif";
}

}  // namespace vesmar
