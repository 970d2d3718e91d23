// The add-device callback: turns the layer's PCI record into a started,
// published device, or leaves nothing behind.
#pragma once

#include <stdint.h>

namespace vorlan_driver {

// The context word holds the layer's device handle on entry and the device
// on success (null on failure).
int32_t addDeviceCallback(void* pciRecord, void* unused, uint64_t* context);

}  // namespace vorlan_driver
