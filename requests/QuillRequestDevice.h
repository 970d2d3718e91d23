// The board's device as the driver creates it: the device with the two
// interfaces user mode opens. The interfaces are generated with the request
// records, so the request layer owns them and the device below knows only
// its request methods.
#pragma once

#include "device/QuillDevice.h"
#include "requests/tInterfaceTemplate_pxiCooling.h"
#include "requests/tInterfaceTemplate_vorlan.h"

namespace vorlan_driver {

class QuillRequestDevice : public QuillDevice {
 public:
  QuillRequestDevice(const nKIVAPAL000::tPCIDescription& description, nKIVAPALS100::tStatus& status);
  ~QuillRequestDevice() override;

 private:
  tInterfaceTemplate_vorlan<QuillDevice> instrumentInterface_;
  tInterfaceTemplate_pxiCooling<QuillDevice> coolingInterface_;
};

}  // namespace vorlan_driver
