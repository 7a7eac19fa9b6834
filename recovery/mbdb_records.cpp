#include "recovery/mbdb_records.h"

#include <algorithm>

namespace vesmar {

namespace {

// Reads big-endian numbers and length-prefixed strings; every read is checked against the end.
class Reader {
 public:
  explicit Reader(std::string_view data, std::size_t pos) : data_(data), pos_(pos) {}
  bool AtEnd() const { return pos_ >= data_.size(); }

  template <typename T>
  bool Read(T& value, std::size_t width = sizeof(T)) {
    if (data_.size() - pos_ < width) return false;
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < width; ++i) v = (v << 8) | static_cast<unsigned char>(data_[pos_ + i]);
    pos_ += width;
    value = static_cast<T>(v);
    return true;
  }
  // Length 0xFFFF marks an absent string, read as empty.
  bool Text(std::string& value) {
    std::uint16_t length = 0;
    if (!Read(length)) return false;
    value.clear();
    if (length == 0xFFFF) return true;
    if (data_.size() - pos_ < length) return false;
    value.assign(data_.substr(pos_, length));
    pos_ += length;
    return true;
  }

 private:
  std::string_view data_;
  std::size_t pos_;
};

bool ReadRecord(Reader& in, MbdbRecord& r) {
  std::uint8_t propertyCount = 0;
  if (!(in.Text(r.domain) && in.Text(r.relativePath) && in.Text(r.linkTarget) && in.Text(r.digest) &&
        in.Text(r.encryptionKey) && in.Read(r.mode) && in.Read(r.inode) && in.Read(r.userId) &&
        in.Read(r.groupId) && in.Read(r.modified) && in.Read(r.statusChanged) && in.Read(r.created) &&
        in.Read(r.size) && in.Read(r.protectionClass) && in.Read(propertyCount)))
    return false;
  for (int i = 0; i < propertyCount; ++i) {
    auto& [name, value] = r.properties.emplace_back();
    if (!in.Text(name) || !in.Text(value)) return false;
  }
  return true;
}

}  // namespace

bool ForEachMbdbRecord(std::string_view data, const std::function<void(const MbdbRecord&)>& visit, bool* complete) {
  if (complete) *complete = true;
  if (data.size() < 4 || data.substr(0, 4) != "mbdb") return false;
  // The magic is followed by two bytes of version.
  Reader in(data, std::min<std::size_t>(data.size(), 6));
  MbdbRecord record;
  while (!in.AtEnd()) {
    record.properties.clear();
    if (!ReadRecord(in, record)) {
      if (complete) *complete = false;
      break;
    }
    visit(record);
  }
  return true;
}

bool ParseMbdb(std::string_view data, MbdbContent& out) {
  out = {};
  return ForEachMbdbRecord(data, [&out](const MbdbRecord& record) { out.records.push_back(record); }, &out.complete);
}

}  // namespace vesmar
