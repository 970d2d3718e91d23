// One device interface that user mode opens; requests on its sessions reach
// the driver through decodeIOControl.
#pragma once

#include <stdint.h>

#include "platform/status/tStatus.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

class tDeviceCore;
class tEventDescriptor;
class tProperty;

class tDeviceInterface {
 public:
  tDeviceInterface(tDeviceCore* device, const char* name, tProperty** properties = nullptr)
      : device_(device), properties_(properties), name_(name), handle_(nullptr) {}
  virtual ~tDeviceInterface() {}
  tDeviceInterface(const tDeviceInterface&) = delete;
  tDeviceInterface& operator=(const tDeviceInterface&) = delete;

  // Without a decoder of its own the interface hands the request to the
  // device's generic ioControl. Returns the bytes returned.
  virtual uint64_t decodeIOControl(const tEventDescriptor& descriptor, uint32_t code, uint64_t inboundPointer,
                                   uint32_t inboundSize, uint64_t outboundPointer, uint32_t outboundSize,
                                   nKIVAPALS100::tStatus& status);

  tDeviceCore* getDevice() const { return device_; }
  tProperty** getProperties() const { return properties_; }
  const char* getName() const { return name_; }
  void* getHandle() const { return handle_; }
  void setHandle(void* handle) { handle_ = handle; }

 private:
  tDeviceCore* device_;
  tProperty** properties_;
  const char* name_;
  void* handle_;
};

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
