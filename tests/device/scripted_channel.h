// A device-link peer that plays a prepared byte stream to the loop and records what the loop
// sends back. Messages travel framed in the same stream as raw file data, so a loop that reads
// one byte too many or too few sees garbage, exactly as it would with a device.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "device/device_link_channel.h"

namespace vesmar::testing {

// Property-list builders for test messages.
plist_t Str(const char* text);
plist_t Uint(std::uint64_t value);
plist_t Real(double value);
PlistPtr Array(std::initializer_list<plist_t> items);  // takes ownership of the items
PlistPtr Dict(std::initializer_list<std::pair<const char*, plist_t>> items);

// What a device writes on the raw stream for "DLMessageUploadFiles".
class UploadStream {
 public:
  // One file: device path, backup name, data in blocks of at most `piece` bytes, success block.
  UploadStream& File(const std::string& backupName, const std::string& data, std::size_t piece = 32768);
  // A file whose data stops with the device's own error block.
  UploadStream& FileWithRemoteError(const std::string& backupName, const std::string& partial, const std::string& error);
  UploadStream& Name(const std::string& name);
  UploadStream& Block(std::uint8_t code, const std::string& payload);
  UploadStream& End();
  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

std::string Be32(std::uint32_t value);

struct SentStatus {
  std::int64_t code;
  std::string description;  // empty when none was sent
  PlistPtr content;         // null when none was sent
};

class ScriptedChannel final : public IDeviceLinkChannel {
 public:
  // Queue what the device sends, in order.
  ScriptedChannel& Message(PlistPtr message);
  ScriptedChannel& Raw(std::string bytes);
  ScriptedChannel& Silence(int waits = 1);          // that many receives find nothing
  ScriptedChannel& Then(std::function<void()> act);  // runs when the stream reaches it
  // Hand out at most this many bytes per raw receive (0 = as many as asked).
  void SetMaxPiece(std::size_t bytes) { maxPiece_ = bytes; }
  // After the script: Closed (the device went away), or Timeout forever (a silent device).
  void SetSilentAtEnd(bool silent) { silentAtEnd_ = silent; }

  ReceiveStatus ReceiveMessage(PlistPtr& message, unsigned waitMs) override;
  int SendStatusResponse(std::int64_t code, const char* description, plist_t content) override;
  int SendRaw(const char* data, std::uint32_t length) override;
  ReceiveStatus ReceiveRaw(char* data, std::uint32_t length, std::uint32_t& received, unsigned waitMs) override;

  std::vector<SentStatus> statuses;
  std::string sentRaw;
  int failSends = 0;             // status sends to fail (code -3) before they work again
  std::size_t unreadBytes() const;

 private:
  struct Chunk {
    enum Kind { Bytes, Silence, Action } kind;
    std::string bytes;
    std::function<void()> act;
  };
  // Runs actions at the front; true when bytes are ready.
  bool FrontBytes();
  ReceiveStatus Quiet();
  std::deque<Chunk> script_;
  std::size_t maxPiece_ = 0;
  bool silentAtEnd_ = false;
};

}  // namespace vesmar::testing
