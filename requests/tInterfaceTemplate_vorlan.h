// The main instrument interface user mode opens. Until its request decoders
// exist every code goes to the device's generic ioControl, which answers
// "not supported".
#pragma once

#include "platform/device/tDeviceInterface.h"

namespace vorlan_driver {

class tInterfaceTemplate_vorlan : public nKIVAPAL000::tDeviceInterface {
 public:
  static constexpr const char* kName = "smu_vorlan";

  explicit tInterfaceTemplate_vorlan(nKIVAPAL000::tDeviceCore* device) : tDeviceInterface(device, kName) {}
};

}  // namespace vorlan_driver
