// The add-device callback: turns the layer's PCI record into a started,
// published device, or leaves nothing behind.
#pragma once

#include <stdint.h>

namespace vorlan_driver {

namespace nKIVAPAL000 {
struct tKalPCIRecord;
struct tPCIDescription;
}  // namespace nKIVAPAL000

// The description a device is built from, taken from the layer's record
// before any message interrupt is asked for.
void describePCIRecord(nKIVAPAL000::tKalPCIRecord& record, uint64_t layerDeviceHandle,
                       nKIVAPAL000::tPCIDescription& description);

// The context word holds the layer's device handle on entry and the device
// on success (null on failure).
int32_t addDeviceCallback(void* pciRecord, void* unused, uint64_t* context);

}  // namespace vorlan_driver
