#include "recovery/media_type.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>

#include "recovery/result_codes.h"
#include "tests/fixtures/media_samples.h"
#include "tests/fixtures/temp_dir.h"

namespace vesmar {
namespace {

namespace fs = std::filesystem;
using fixtures::MediaBytes;
using fixtures::MediaSample;


std::string Lower(std::string_view text) {
  std::string out(text);
  for (auto& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

TEST(MediaTypeTest, EverySampleIsRecognisedWithItsExtension) {
  fixtures::TempDir dir;
  std::int64_t counter = 0;
  for (const auto kind : fixtures::AllMediaSamples()) {
    const fs::path file = dir / "sample";
    fixtures::WriteSample(file, MediaBytes(kind, 700));
    std::string answer;
    ASSERT_EQ(DetectMediaType(file, counter, answer), 0);
    EXPECT_EQ(answer, std::to_string(counter) + "." + Lower(fixtures::ListedExtension(kind)))
        << "sample " << static_cast<int>(kind);
    ++counter;
  }
}

TEST(MediaTypeTest, NearMissesAreNotRecognised) {
  using namespace std::string_view_literals;
  struct Case {
    const char* what;
    std::string head;
  };
  std::string icoGap = MediaBytes(MediaSample::Ico, 64);
  icoGap[18 + 16] = '\x8F';  // second image no longer follows the first
  std::string bmpCore = MediaBytes(MediaSample::Bmp, 64);
  bmpCore[14] = 12;  // an OS/2 core header is not the 40-byte header looked for
  std::string midiLength = MediaBytes(MediaSample::Midi, 64);
  midiLength[7] = 7;
  std::string mp3Flags = MediaBytes(MediaSample::Mp3, 64);
  mp3Flags[5] = 0x01;  // undefined flag bits
  std::string mp3Size = MediaBytes(MediaSample::Mp3, 64);
  mp3Size[9] = '\x80';  // not a syncsafe size
  const Case cases[] = {
      {"GIF followed by a letter", "GIFxxa"},
      {"GIF with an upper-case variant letter", "GIF89A"},
      {"JPEG without an APP0/APP1 marker", std::string("\xFF\xD8\xFF\xDB\x00\x43\x00\x08\x06\x06\x07\x06\x05\x08", 14)},
      {"JPEG APP1 that is not Exif", std::string("\xFF\xD8\xFF\xE1\x00\x22http:", 11)},
      {"MP4 of another brand", std::string("\x00\x00\x00\x20" "ftypavc1\x00\x00\x00\x00", 16)},
      {"AVIF still image", std::string("\x00\x00\x00\x20" "ftypavif\x00\x00\x00\x00", 16)},
      {"RIFF of another kind", std::string("RIFF\x10\x00\x00\x00WEBPVP8 ", 16)},
      {"ICO with a gap between images", icoGap},
      {"BMP with a core header", bmpCore},
      {"MIDI header of length 7", midiLength},
      {"ID3 with undefined flags", mp3Flags},
      {"ID3 with a size byte above 7F", mp3Size},
      {"SQLite database", "SQLite format 3"},
      {"text", "Hello, this is a note and not a picture."},
  };
  for (const auto& c : cases) {
    std::string head = c.head;
    head.resize(kMediaHeadSize, '\0');
    EXPECT_EQ(DetectMediaTypeCode(reinterpret_cast<const std::uint8_t*>(head.data()), head.size()),
              media_type::kNotRecognised)
        << c.what;
  }
}

// Each detector needs a minimum number of bytes; one fewer must not be read past.
TEST(MediaTypeTest, DetectorsNeedTheirMinimumByteCount) {
  const std::pair<MediaSample, std::size_t> cases[] = {
      {MediaSample::MpegProgram, 18}, {MediaSample::MpegVideo, 16}, {MediaSample::Mp4Isom, 32},
      {MediaSample::RealMedia, 4},    {MediaSample::Asf, 24},       {MediaSample::Avi, 16},
      {MediaSample::ThreeGp, 32},     {MediaSample::Mp3, 10},       {MediaSample::Midi, 18},
      {MediaSample::Wav, 16},         {MediaSample::QuickTimeFtyp, 16}, {MediaSample::Gif89a, 8},
      {MediaSample::Bmp, 40},         {MediaSample::JpegExif, 16},  {MediaSample::Png, 8},
      {MediaSample::Ico, 38},         {MediaSample::HeicBrand, 16},
  };
  for (const auto& [kind, minimum] : cases) {
    // Exactly `count` bytes on the heap, so a read past them is caught by the address sanitizer.
    const std::string bytes = MediaBytes(kind, 64);
    for (const std::size_t count : {minimum - 1, minimum}) {
      auto head = std::make_unique<std::uint8_t[]>(count);
      std::copy_n(bytes.data(), count, head.get());
      const int code = DetectMediaTypeCode(head.get(), count);
      EXPECT_EQ(std::string(ExtensionOfType(code)), count == minimum ? Lower(fixtures::ListedExtension(kind)) : "")
          << static_cast<int>(kind) << " with " << count << " bytes";
    }
  }
}

TEST(MediaTypeTest, FilesThatCannotBeDetected) {
  fixtures::TempDir dir;
  fixtures::WriteSample(dir / "short.jpg", MediaBytes(MediaSample::JpegJfif, 400));
  fixtures::WriteSample(dir / "exact.jpg", MediaBytes(MediaSample::JpegJfif, 512));
  fixtures::WriteSample(dir / "text.txt", std::string(4096, 'x'));
  fs::create_directories(dir / "folder");
  struct Case {
    fs::path file;
    int code;
    std::string answer;
  };
  const Case cases[] = {
      {dir / "short.jpg", result::kShortRead, ""},
      {dir / "exact.jpg", 0, "7.jpg"},
      {dir / "text.txt", 0, ""},
      {dir / "missing", ENOENT, ""},
      {dir / "folder", result::kInvalid, ""},
  };
  for (const auto& c : cases) {
    std::string answer = "stale";
    EXPECT_EQ(DetectMediaType(c.file, 7, answer), c.code) << c.file;
    EXPECT_EQ(answer, c.answer) << c.file;
  }
}

TEST(MediaTypeTest, FirstRowOfATypeNamesTheExtension) {
  EXPECT_EQ(ExtensionOfType(media_type::kJpeg), "jpg");
  EXPECT_EQ(ExtensionOfType(media_type::kMpeg), "mpeg");
  EXPECT_EQ(ExtensionOfType(media_type::kAsf), "wmv");
  EXPECT_EQ(ExtensionOfType(media_type::kNotRecognised), "");
  EXPECT_EQ(AnswerExtension("12.jpeg"), "jpeg");
  EXPECT_EQ(AnswerExtension(""), "");
}

}  // namespace
}  // namespace vesmar
