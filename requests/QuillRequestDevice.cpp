#include "requests/QuillRequestDevice.h"

namespace vorlan_driver {

QuillRequestDevice::QuillRequestDevice(const nKIVAPAL000::tPCIDescription& description,
                                       nKIVAPALS100::tStatus& status)
    : QuillDevice(description, status), instrumentInterface_(this), coolingInterface_(this) {
  appendDeviceInterface(&instrumentInterface_, status);
  appendDeviceInterface(&coolingInterface_, status);
}

// The layer has let go of the interfaces before the device is deleted.
QuillRequestDevice::~QuillRequestDevice() {}

}  // namespace vorlan_driver
