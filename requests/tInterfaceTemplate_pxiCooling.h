// The chassis cooling interface user mode opens. Until its two request
// decoders exist every code goes to the device's generic ioControl, which
// answers "not supported".
#pragma once

#include "platform/device/tDeviceInterface.h"

namespace vorlan_driver {

class tInterfaceTemplate_pxiCooling : public nKIVAPAL000::tDeviceInterface {
 public:
  static constexpr const char* kName = "nPXICOOLING_17_2_pxiCooling";

  explicit tInterfaceTemplate_pxiCooling(nKIVAPAL000::tDeviceCore* device) : tDeviceInterface(device, kName) {}
};

}  // namespace vorlan_driver
