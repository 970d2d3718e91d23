// Creates the device object for a supported PCI function.
#pragma once

#include "platform/pci/tPCIDescription.h"
#include "platform/status/tStatus.h"

namespace vorlan_driver {

class QuillDevice;

// Null on failure, with nothing left behind.
QuillDevice* createDevice(const nKIVAPAL000::tPCIDescription& description, nKIVAPALS100::tStatus& status);

}  // namespace vorlan_driver
