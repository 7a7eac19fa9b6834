// The backup service's connection as the device-link loop sees it: property-list messages and
// raw bytes, with waits the caller chooses. The product's adapter sits on libimobiledevice
// (backup_service_connection.h); tests put a scripted peer behind it.
#pragma once

#include <cstdint>
#include <string>

#include "device/plist_ptr.h"

namespace vesmar {

enum class ReceiveStatus {
  Data,     // a message, or at least one byte
  Timeout,  // nothing within the wait; the connection is still usable
  Closed,   // the device went away or broke the framing: nothing more will come
};

class IDeviceLinkChannel {
 public:
  virtual ~IDeviceLinkChannel() = default;

  // Waits up to `waitMs` for the next device-link message (an array whose item 0 names it).
  virtual ReceiveStatus ReceiveMessage(PlistPtr& message, unsigned waitMs) = 0;
  // ["DLMessageStatusResponse", code, description or none, content or none]; 0 or an error code.
  virtual int SendStatusResponse(std::int64_t code, const char* description, plist_t content) = 0;
  // Sends all of `data`; 0, or an error code when not all of it went out.
  virtual int SendRaw(const char* data, std::uint32_t length) = 0;
  // Up to `length` bytes, waiting up to `waitMs` for the first one.
  virtual ReceiveStatus ReceiveRaw(char* data, std::uint32_t length, std::uint32_t& received,
                                   unsigned waitMs) = 0;
};

}  // namespace vesmar
