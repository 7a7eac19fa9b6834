#include "recovery/heif_to_jpeg.h"

#include <libheif/heif.h>

#include <cerrno>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <memory>

// jpeglib.h needs FILE declared first.
#include <jpeglib.h>

#include "recovery/result_codes.h"

namespace vesmar {

namespace {

// A photo larger than this is not a phone camera's; decoding it could exhaust memory.
constexpr std::int64_t kMaxPixels = 200'000'000;
constexpr int kJpegQuality = 90;

// libheif registers its codecs in heif_init and drops them when the last user calls heif_deinit;
// holding a reference for the length of a conversion keeps them whatever other code does.
struct HeifLibrary {
  HeifLibrary() { heif_init(nullptr); }
  ~HeifLibrary() { heif_deinit(); }
  HeifLibrary(const HeifLibrary&) = delete;
  HeifLibrary& operator=(const HeifLibrary&) = delete;
};

struct ContextDeleter {
  void operator()(heif_context* p) const { heif_context_free(p); }
};
struct HandleDeleter {
  void operator()(heif_image_handle* p) const { heif_image_handle_release(p); }
};
struct ImageDeleter {
  void operator()(heif_image* p) const { heif_image_release(p); }
};
struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

// libjpeg reports errors through a callback that must not return; jump back instead of the
// library's default of ending the process.
struct JpegErrors {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

[[noreturn]] void JumpOnJpegError(j_common_ptr info) {
  std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->jump, 1);
}

void IgnoreJpegMessage(j_common_ptr) {}

// Only plain C objects live in this frame, so leaving it by longjmp skips no destructor.
bool EncodeJpeg(std::FILE* out, const std::uint8_t* rgb, int width, int height, int stride) {
  jpeg_compress_struct info;
  JpegErrors errors;
  info.err = jpeg_std_error(&errors.manager);
  errors.manager.error_exit = JumpOnJpegError;
  errors.manager.output_message = IgnoreJpegMessage;
  if (setjmp(errors.jump)) {
    jpeg_destroy_compress(&info);
    return false;
  }
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, out);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, kJpegQuality, TRUE);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(rgb + static_cast<std::size_t>(info.next_scanline) * stride);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return true;
}

}  // namespace

int ConvertHeifToJpeg(const std::filesystem::path& source, const std::filesystem::path& jpeg) {
  const HeifLibrary library;
  std::unique_ptr<heif_context, ContextDeleter> context(heif_context_alloc());
  if (!context) return result::kInvalid;
  if (heif_context_read_from_file(context.get(), source.c_str(), nullptr).code != heif_error_Ok)
    return result::kInvalid;
  heif_image_handle* rawHandle = nullptr;
  if (heif_context_get_primary_image_handle(context.get(), &rawHandle).code != heif_error_Ok) return result::kInvalid;
  std::unique_ptr<heif_image_handle, HandleDeleter> handle(rawHandle);
  const std::int64_t width = heif_image_handle_get_width(handle.get());
  const std::int64_t height = heif_image_handle_get_height(handle.get());
  if (width <= 0 || height <= 0 || width * height > kMaxPixels) return result::kInvalid;

  heif_image* rawImage = nullptr;
  if (heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB, heif_chroma_interleaved_RGB, nullptr).code !=
      heif_error_Ok)
    return result::kInvalid;
  std::unique_ptr<heif_image, ImageDeleter> image(rawImage);
  int stride = 0;
  const std::uint8_t* pixels = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
  const int decodedWidth = heif_image_get_width(image.get(), heif_channel_interleaved);
  const int decodedHeight = heif_image_get_height(image.get(), heif_channel_interleaved);
  if (!pixels || decodedWidth <= 0 || decodedHeight <= 0 || stride < 3 * decodedWidth) return result::kInvalid;

  errno = 0;
  std::unique_ptr<std::FILE, FileCloser> out(std::fopen(jpeg.c_str(), "wb"));
  if (!out) return errno != 0 ? errno : EIO;
  const bool encoded = EncodeJpeg(out.get(), pixels, decodedWidth, decodedHeight, stride);
  const bool writeFailed = std::ferror(out.get()) != 0;
  const int closed = std::fclose(out.release());
  if (writeFailed || closed != 0) return errno != 0 ? errno : EIO;
  return encoded ? result::kOk : result::kInvalid;
}

}  // namespace vesmar
