#include "recovery/file_copy.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>

// jpeglib.h needs FILE declared first.
#include <jpeglib.h>

#include "recovery/result_codes.h"
#include "recovery/working_folders.h"
#include "tests/fixtures/media_samples.h"
#include "tests/fixtures/temp_dir.h"

namespace vesmar {
namespace {

namespace fs = std::filesystem;
using fixtures::MediaBytes;
using fixtures::MediaSample;


std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

struct Report {
  int percent, status;
  fs::path destination;
  bool operator==(const Report&) const = default;
};

struct ItemRecorder {
  std::vector<Report> reports;
  int answer = 0;  // answered to the first report, 0 afterwards
  static int Callback(void* user, int percent, int status, const fs::path& destination) {
    auto* self = static_cast<ItemRecorder*>(user);
    self->reports.push_back({percent, status, destination});
    return self->reports.size() == 1 ? self->answer : 0;
  }
};

struct PercentRecorder {
  std::vector<int> reports;
  int answer = 0;
  static int Callback(void* user, int percent) {
    auto* self = static_cast<PercentRecorder*>(user);
    self->reports.push_back(percent);
    return self->reports.size() == 1 ? self->answer : 0;
  }
};

// Every byte different from its neighbours, so a misplaced chunk shows.
std::string Pattern(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 131 + i / 65536) % 256);
  return bytes;
}

// Lowers the file size limit of this process for a scope, so that writes fail with EFBIG.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &old_);
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &old_); }

 private:
  rlimit old_{};
};

TEST(CopyOutTest, CopiesTheWholeFileInChunks) {
  fixtures::TempDir dir;
  const std::string bytes = Pattern(200000);
  fixtures::WriteSample(dir / "source", bytes);
  const fs::path destination = dir / "out" / "Camera Roll" / "IMG_0001.JPG";
  ItemRecorder rec;
  ASSERT_EQ(CopyOut(dir / "source", destination, &ItemRecorder::Callback, &rec), 0);
  EXPECT_EQ(Read(destination), bytes);
  EXPECT_EQ(rec.reports, (std::vector<Report>{{32, 0, destination}, {65, 0, destination}, {98, 0, destination},
                                              {100, 0, destination}}));
  // Without a callback, and onto an existing longer file, which is replaced whole.
  fixtures::WriteSample(dir / "small", "tiny");
  ASSERT_EQ(CopyOut(dir / "small", destination, nullptr, nullptr), 0);
  EXPECT_EQ(Read(destination), "tiny");
}

TEST(CopyOutTest, FailuresMakeOneLastReport) {
  fixtures::TempDir dir;
  fixtures::WriteSample(dir / "source", Pattern(1000));
  fixtures::WriteSample(dir / "empty", "");
  fixtures::WriteSample(dir / "a-file", "x");
  fs::create_directories(dir / "a-folder");
  struct Case {
    const char* what;
    fs::path source, destination;
    int result;
    bool reported;
  };
  const Case cases[] = {
      {"empty source", dir / "empty", dir / "out" / "empty", 0, false},
      {"missing source", dir / "missing", dir / "out" / "missing", result::kInvalid, true},
      {"folder as source", dir / "a-folder", dir / "out" / "folder", result::kInvalid, true},
      {"folder that cannot be made", dir / "source", dir / "a-file" / "sub" / "x", result::kInvalid, true},
      {"destination is a folder", dir / "source", dir / "a-folder", result::kInvalid, true},
      {"destination is the source", dir / "source", dir / "source", result::kInvalid, true},
      {"destination is a device", dir / "source", "/dev/null", result::kInvalid, true},
  };
  for (const auto& c : cases) {
    ItemRecorder rec;
    EXPECT_EQ(CopyOut(c.source, c.destination, &ItemRecorder::Callback, &rec), c.result) << c.what;
    if (c.reported) {
      EXPECT_EQ(rec.reports, (std::vector<Report>{{100, c.result, c.destination}})) << c.what;
    } else {
      EXPECT_TRUE(rec.reports.empty()) << c.what;
    }
  }
  EXPECT_TRUE(fs::exists(dir / "out" / "empty"));
  EXPECT_EQ(fs::file_size(dir / "out" / "empty"), 0u);
  EXPECT_FALSE(fs::exists(dir / "out" / "missing"));
  EXPECT_EQ(Read(dir / "source"), Pattern(1000));  // never truncated by a copy onto itself
}

TEST(CopyOutTest, StopAnswerEndsTheCopyAndRemovesThePart) {
  fixtures::TempDir dir;
  fixtures::WriteSample(dir / "source", Pattern(200000));
  ItemRecorder rec;
  rec.answer = 5;
  EXPECT_EQ(CopyOut(dir / "source", dir / "dest", &ItemRecorder::Callback, &rec), 5);
  EXPECT_EQ(rec.reports, (std::vector<Report>{{32, 0, dir / "dest"}, {100, 5, dir / "dest"}}));
  EXPECT_FALSE(fs::exists(dir / "dest"));
}

// The size is not taken modulo 4 GiB: the first chunk of a 4 GiB + 64 KiB file is 0 %, not 100 %.
TEST(CopyOutTest, FilesOfFourGiBAndMoreAreNotCutShort) {
  fixtures::TempDir dir;
  fixtures::WriteSample(dir / "big", Pattern(100));
  std::error_code ec;
  fs::resize_file(dir / "big", (4ull << 30) + 65536, ec);  // sparse
  if (ec) GTEST_SKIP() << "cannot make a sparse file here: " << ec.message();
  ItemRecorder rec;
  rec.answer = 9;
  EXPECT_EQ(CopyOut(dir / "big", dir / "dest", &ItemRecorder::Callback, &rec), 9);
  ASSERT_FALSE(rec.reports.empty());
  EXPECT_EQ(rec.reports[0].percent, 0);
}

TEST(CopyOutTest, FailedWriteIsTheResult) {
  fixtures::TempDir dir;
  fixtures::WriteSample(dir / "source", Pattern(200000));
  ItemRecorder rec;
  int rc;
  {
    FileSizeLimit limit(100000);
    rc = CopyOut(dir / "source", dir / "dest", &ItemRecorder::Callback, &rec);
  }
  EXPECT_EQ(rc, EFBIG);
  ASSERT_FALSE(rec.reports.empty());
  EXPECT_EQ(rec.reports.back(), (Report{100, EFBIG, dir / "dest"}));
  EXPECT_FALSE(fs::exists(dir / "dest"));
}

TEST(ExtractForPreviewTest, EachKindGoesToItsPreviewFile) {
  fixtures::TempDir dir;
  const std::pair<MediaSample, const char*> cases[] = {
      {MediaSample::JpegExif, "tmp.jpg"}, {MediaSample::Png, "tmp.jpg"},  {MediaSample::Wav, "tmp.wav"},
      {MediaSample::Midi, "tmp.wav"},     {MediaSample::Mp4Isom, "tmp.avi"}, {MediaSample::QuickTimeFtyp, "tmp.avi"},
  };
  for (const auto& [kind, name] : cases) {
    const std::string bytes = MediaBytes(kind, 70000);
    fixtures::WriteSample(dir / "source", bytes);
    fs::path out = "stale";
    PercentRecorder rec;
    ASSERT_EQ(ExtractForPreview(dir / "source", out, &PercentRecorder::Callback, &rec), 0) << name;
    EXPECT_EQ(out, AppFolder() / name);
    EXPECT_EQ(Read(out), bytes) << name;
    EXPECT_EQ(rec.reports, (std::vector<int>{93, 100, 100})) << name;  // two chunks, then the last report
  }
}

TEST(ExtractForPreviewTest, ShorterFileReplacesTheWholeEarlierPreview) {
  fixtures::TempDir dir;
  EnsureAppFolder();
  fixtures::WriteSample(AppFolder() / "tmp.jpg", std::string(100000, 'z'));
  const std::string bytes = MediaBytes(MediaSample::JpegJfif, 2048);
  fixtures::WriteSample(dir / "small.jpg", bytes);
  fs::path out;
  ASSERT_EQ(ExtractForPreview(dir / "small.jpg", out, nullptr, nullptr), 0);
  EXPECT_EQ(Read(out), bytes);
}

TEST(ExtractForPreviewTest, FailuresStillReportTheEnd) {
  fixtures::TempDir dir;
  fixtures::WriteSample(dir / "small.jpg", MediaBytes(MediaSample::JpegJfif, 300));
  fixtures::WriteSample(dir / "text", std::string(2000, 't'));
  fixtures::WriteSample(dir / "long.wav", MediaBytes(MediaSample::Wav, 200000));
  struct Case {
    fs::path source;
    int answer, result;
    std::vector<int> reports;
  };
  const Case cases[] = {
      {dir / "small.jpg", 0, result::kInvalid, {100}},
      {dir / "text", 0, result::kInvalid, {100}},
      {dir / "missing", 0, result::kInvalid, {100}},
      {dir / "long.wav", 3, 3, {32, 100}},  // stopped after the first chunk
  };
  for (const auto& c : cases) {
    fs::path out;
    PercentRecorder rec;
    rec.answer = c.answer;
    EXPECT_EQ(ExtractForPreview(c.source, out, &PercentRecorder::Callback, &rec), c.result) << c.source;
    EXPECT_EQ(rec.reports, c.reports) << c.source;
    if (c.result == result::kInvalid) {
      EXPECT_TRUE(out.empty()) << c.source;
    }
  }
  {
    FileSizeLimit limit(100000);
    fs::path out;
    EXPECT_EQ(ExtractForPreview(dir / "long.wav", out, nullptr, nullptr), EFBIG);
  }
}

struct DecodedJpeg {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb;
};

DecodedJpeg DecodeJpeg(const std::string& bytes) {
  DecodedJpeg image;
  jpeg_decompress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  image.width = static_cast<int>(info.output_width);
  image.height = static_cast<int>(info.output_height);
  image.rgb.resize(static_cast<std::size_t>(image.width) * image.height * 3);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = image.rgb.data() + static_cast<std::size_t>(info.output_scanline) * image.width * 3;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return image;
}

TEST(ExtractForPreviewTest, HeicPhotoBecomesAJpegPreview) {
  const std::string heic = fixtures::EncodedHeic(320, 240);
  if (heic.empty()) GTEST_SKIP() << "no HEVC encoder to make the sample";
  fixtures::TempDir dir;
  fixtures::WriteSample(dir / "IMG_0001.HEIC", heic);
  fs::path out;
  PercentRecorder rec;
  ASSERT_EQ(ExtractForPreview(dir / "IMG_0001.HEIC", out, &PercentRecorder::Callback, &rec), 0);
  EXPECT_EQ(out, AppFolder() / "tmp.jpg");
  EXPECT_EQ(rec.reports, std::vector<int>{100});
  const std::string jpeg = Read(out);
  ASSERT_GT(jpeg.size(), 2u);
  ASSERT_EQ(jpeg.substr(0, 2), "\xFF\xD8");
  const DecodedJpeg image = DecodeJpeg(jpeg);
  ASSERT_EQ(image.width, 320);
  ASSERT_EQ(image.height, 240);
  auto pixel = [&](int x, int y) { return &image.rgb[(static_cast<std::size_t>(y) * image.width + x) * 3]; };
  const std::uint8_t* left = pixel(60, 120);
  const std::uint8_t* right = pixel(260, 120);
  EXPECT_GT(left[0], 150);  // red half
  EXPECT_LT(left[2], 100);
  EXPECT_LT(right[0], 100);  // blue half
  EXPECT_GT(right[2], 150);

  // A file that only looks like HEIC, or one cut short, has nothing to decode.
  fixtures::WriteSample(dir / "fake.heic", MediaBytes(MediaSample::HeicBrand));
  fixtures::WriteSample(dir / "cut.heic", heic.substr(0, heic.size() / 2));
  for (const char* name : {"fake.heic", "cut.heic"}) {
    rec.reports.clear();
    EXPECT_EQ(ExtractForPreview(dir / name, out, &PercentRecorder::Callback, &rec), result::kInvalid) << name;
    EXPECT_EQ(rec.reports, std::vector<int>{100}) << name;
  }
}

}  // namespace
}  // namespace vesmar
