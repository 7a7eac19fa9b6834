#include "tests/results/scripted_parser.h"

#include <fstream>
#include <vector>

namespace vesmar::testing {

namespace fs = std::filesystem;

int ScriptedParser::CopyOut(const fs::path& source, const fs::path& destination, ItemCallback callback, void* user) {
  const auto fail = [&] {
    if (callback) callback(user, 100, 87, destination);
    return 87;
  };
  std::error_code ec;
  fs::create_directories(destination.parent_path(), ec);
  std::ifstream in(source, std::ios::binary);
  if (!in) return fail();
  const auto size = fs::file_size(source, ec);
  if (ec) return fail();
  std::ofstream out(destination, std::ios::binary);
  if (!out) return fail();
  if (size == 0) return 0;
  std::vector<char> chunk(copyChunk);
  std::uintmax_t done = 0;
  while (done < size) {
    in.read(chunk.data(), static_cast<std::streamsize>(std::min<std::uintmax_t>(copyChunk, size - done)));
    const auto got = in.gcount();
    if (got <= 0) return 30;
    out.write(chunk.data(), got);
    out.flush();
    done += static_cast<std::uintmax_t>(got);
    if (callback) {
      if (const int answer = callback(user, static_cast<int>(done * 100 / size), 0, destination); answer != 0) {
        return answer;
      }
    }
  }
  return 0;
}

int ScriptedParser::Dump(const std::string& path, const char* what) {
  dumpsWritten.push_back(path);
  if (dumpResult != 0) return dumpResult;
  std::ofstream(path, std::ios::binary) << what << " dump\r\n";
  return 0;
}

}  // namespace vesmar::testing
