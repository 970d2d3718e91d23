// Creates the device object for a supported PCI function. Declared here, for
// add device, and defined by the device itself, so the entry code names no
// device class.
#pragma once

#include "platform/device/tDevice.h"
#include "platform/pci/tPCIDescription.h"
#include "platform/status/tStatus.h"

namespace vorlan_driver {

// Null on failure, with nothing left behind.
nKIVAPAL000::tDevice* createDevice(const nKIVAPAL000::tPCIDescription& description, nKIVAPALS100::tStatus& status);

}  // namespace vorlan_driver
