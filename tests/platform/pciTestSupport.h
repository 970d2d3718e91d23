// Builds a PCI description from a stand-in function with add device's own routine.
#pragma once

#include "kal/include/kalPci.h"
#include "platform/driver/addDevice.h"
#include "kal/include/tKalPCIRecord.h"
#include "platform/pci/tPCIDescription.h"

namespace pcitest {

constexpr uint64_t kLayerDeviceHandle = 0x5EED0000;

inline vorlan_driver::nKIVAPAL000::tPCIDescription describe(kalsim::PciFunction& function) {
  vorlan_driver::nKIVAPAL000::tPCIDescription description;
  vorlan_driver::describePCIRecord(*function.record(), kLayerDeviceHandle, description);
  return description;
}

}  // namespace pcitest
