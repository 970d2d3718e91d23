// The chassis slot's geographic address as the bridge publishes it: the
// value for the "pxiGeographicAddress" device property.
#pragma once

#include <stdint.h>

#include "platform/status/tStatus.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

class tPCIDevice;

// Over an already mapped BAR 0. The address (0 to 31) when the whole
// sequence left the status clean, else 0 with the cause in the status; a
// capability that says there is nothing to read gives 0xFFFFFFFF (unknown).
uint32_t readPxiGeographicAddress(tPCIDevice* device, void* bar0, uint64_t bar0Length, nKIVAPALS100::tStatus& status);

// Maps the device's memory BAR 0 for the time of the read.
uint32_t readPxiGeographicAddress(tPCIDevice& device, nKIVAPALS100::tStatus& status);

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
