// What the device page needs of the device driver; CDeviceBackup is the product's one.
#pragma once

#include <string>

namespace vesmar {

class IDeviceDriver {
 public:
  virtual ~IDeviceDriver() = default;
  virtual bool HasDevice() const = 0;     // a device handle is held
  virtual bool IsDevicePresent() = 0;     // the USB multiplexer lists a device
  virtual bool Finished() const = 0;      // no backup is running
  virtual int Connect(bool& willEncrypt) = 0;
  virtual int Disconnect() = 0;
  virtual int GetDeviceName(std::string& name) = 0;
  virtual int GetDeviceClass(std::string& deviceClass) = 0;
  virtual int GetProductVersion(std::string& version) = 0;
  virtual int ChangePassword(const std::string& password) = 0;
};

}  // namespace vesmar
