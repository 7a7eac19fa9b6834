#include "tests/device/scripted_channel.h"

#include <algorithm>
#include <cstring>

namespace vesmar::testing {

plist_t Str(const char* text) { return plist_new_string(text); }
plist_t Uint(std::uint64_t value) { return plist_new_uint(value); }
plist_t Real(double value) { return plist_new_real(value); }

PlistPtr Array(std::initializer_list<plist_t> items) {
  PlistPtr array(plist_new_array());
  for (plist_t item : items) plist_array_append_item(array.get(), item);
  return array;
}

PlistPtr Dict(std::initializer_list<std::pair<const char*, plist_t>> items) {
  PlistPtr dict(plist_new_dict());
  for (const auto& [key, value] : items) plist_dict_set_item(dict.get(), key, value);
  return dict;
}

std::string Be32(std::uint32_t v) {
  return std::string{static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
                     static_cast<char>(v)};
}

UploadStream& UploadStream::Name(const std::string& name) {
  bytes_ += Be32(static_cast<std::uint32_t>(name.size())) + name;
  return *this;
}

UploadStream& UploadStream::Block(std::uint8_t code, const std::string& payload) {
  bytes_ += Be32(static_cast<std::uint32_t>(payload.size()) + 1);
  bytes_ += static_cast<char>(code);
  bytes_ += payload;
  return *this;
}

UploadStream& UploadStream::File(const std::string& backupName, const std::string& data, std::size_t piece) {
  Name("/var/mobile/" + backupName).Name(backupName);
  for (std::size_t at = 0; at < data.size(); at += piece) Block(0x0C, data.substr(at, piece));
  return Block(0x00, "");
}

UploadStream& UploadStream::FileWithRemoteError(const std::string& backupName, const std::string& partial,
                                                const std::string& error) {
  Name("/var/mobile/" + backupName).Name(backupName);
  if (!partial.empty()) Block(0x0C, partial);
  return Block(0x0B, error);
}

UploadStream& UploadStream::End() {
  bytes_ += Be32(0);
  return *this;
}

ScriptedChannel& ScriptedChannel::Message(PlistPtr message) {
  const std::string body = PlistToBinary(message.get());
  return Raw(Be32(static_cast<std::uint32_t>(body.size())) + body);
}

ScriptedChannel& ScriptedChannel::Raw(std::string bytes) {
  script_.push_back({Chunk::Bytes, std::move(bytes), {}});
  return *this;
}

ScriptedChannel& ScriptedChannel::Silence(int waits) {
  for (int i = 0; i < waits; ++i) script_.push_back({Chunk::Silence, {}, {}});
  return *this;
}

ScriptedChannel& ScriptedChannel::Then(std::function<void()> act) {
  script_.push_back({Chunk::Action, {}, std::move(act)});
  return *this;
}

std::size_t ScriptedChannel::unreadBytes() const {
  std::size_t n = 0;
  for (const auto& c : script_) n += c.bytes.size();
  return n;
}

bool ScriptedChannel::FrontBytes() {
  while (!script_.empty()) {
    Chunk& front = script_.front();
    if (front.kind == Chunk::Action) {
      auto act = std::move(front.act);
      script_.pop_front();
      act();
    } else if (front.kind == Chunk::Bytes && front.bytes.empty()) {
      script_.pop_front();
    } else {
      return front.kind == Chunk::Bytes;
    }
  }
  return false;
}

ReceiveStatus ScriptedChannel::Quiet() {
  if (!script_.empty()) {
    script_.pop_front();  // one silent wait
    return ReceiveStatus::Timeout;
  }
  return silentAtEnd_ ? ReceiveStatus::Timeout : ReceiveStatus::Closed;
}

ReceiveStatus ScriptedChannel::ReceiveRaw(char* data, std::uint32_t length, std::uint32_t& received, unsigned) {
  received = 0;
  if (!FrontBytes()) return Quiet();
  std::string& bytes = script_.front().bytes;
  std::size_t n = std::min<std::size_t>(length, bytes.size());
  if (maxPiece_) n = std::min(n, maxPiece_);
  std::memcpy(data, bytes.data(), n);
  bytes.erase(0, n);
  received = static_cast<std::uint32_t>(n);
  return ReceiveStatus::Data;
}

ReceiveStatus ScriptedChannel::ReceiveMessage(PlistPtr& message, unsigned waitMs) {
  message.reset();
  if (!FrontBytes()) return Quiet();
  std::string frame;
  auto take = [&](std::size_t n) {
    while (frame.size() < n) {
      char buffer[4096];
      std::uint32_t got = 0;
      const auto want = static_cast<std::uint32_t>(std::min<std::size_t>(n - frame.size(), sizeof buffer));
      if (ReceiveRaw(buffer, want, got, waitMs) != ReceiveStatus::Data) return false;
      frame.append(buffer, got);
    }
    return true;
  };
  if (!take(4)) return ReceiveStatus::Closed;
  const auto* p = reinterpret_cast<const unsigned char*>(frame.data());
  const std::uint32_t length = (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
  if (length == 0 || length > (1u << 20) || !take(4 + length)) return ReceiveStatus::Closed;
  message = PlistFromBytes(frame.data() + 4, length);
  return ReceiveStatus::Data;
}

int ScriptedChannel::SendStatusResponse(std::int64_t code, const char* description, plist_t content) {
  if (failSends > 0) {
    --failSends;
    return -3;
  }
  statuses.push_back({code, description ? description : "", PlistPtr(content ? plist_copy(content) : nullptr)});
  return 0;
}

int ScriptedChannel::SendRaw(const char* data, std::uint32_t length) {
  sentRaw.append(data, length);
  return 0;
}

}  // namespace vesmar::testing
