// Recognising a media file by its first bytes, whatever its name says.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace vesmar {

// Type codes the detectors answer.
namespace media_type {
inline constexpr int kJpeg = 10;
inline constexpr int kMp3 = 12;
inline constexpr int kMidi = 13;
inline constexpr int kMpeg = 15;
inline constexpr int kThreeGp = 16;
inline constexpr int kQuickTime = 17;
inline constexpr int kMp4 = 18;
inline constexpr int kWav = 21;
inline constexpr int kAvi = 22;
inline constexpr int kRealMedia = 23;
inline constexpr int kAsf = 24;
inline constexpr int kBmp = 29;
inline constexpr int kPng = 30;
inline constexpr int kGif = 31;
inline constexpr int kIco = 46;
inline constexpr int kNotRecognised = 48;
inline constexpr int kHeic = 49;  // HEIF still images, the camera format of current devices
}  // namespace media_type

// How many leading bytes detection looks at; a shorter file is not recognised.
inline constexpr std::size_t kMediaHeadSize = 512;

// A detector gets the leading bytes of a file and answers its type code or kNotRecognised.
using MediaDetector = int (*)(const std::uint8_t* head, std::size_t count);

struct FileKind {
  std::string_view extension;
  int typeCode;
  MediaDetector detect;
};

// The detectors in detection order; the first row of a type code names its extension.
std::span<const FileKind> FileKindTable();

// Runs the table over `head`: the type code of the first detector that recognises it, else
// kNotRecognised.
int DetectMediaTypeCode(const std::uint8_t* head, std::size_t count);

// The extension of a type code ("jpg" for JPEG), empty for an unknown code.
std::string_view ExtensionOfType(int typeCode);

// Reads the first 512 bytes of `path` and detects its type. Returns 0 with `answer` set to
// "<counter>.<extension>" (callers use only the part after the last dot) when recognised; 0 with
// an empty answer when no detector matched; 30 when the file is shorter than 512 bytes; 87 when
// it is not a regular file; else the system's error code of the open or read.
int DetectMediaType(const std::filesystem::path& path, std::int64_t counter, std::string& answer);

// The text after the last dot of an answer of DetectMediaType.
std::string_view AnswerExtension(std::string_view answer);

// True for the HEIF still-image extensions ("heic", "heif"), any letter case.
bool IsHeifExtension(std::u16string_view extension);

}  // namespace vesmar
