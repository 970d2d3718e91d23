#include "platform/pci/pxiGeographicAddress.h"

#include "platform/pci/tGeographicAddress.h"
#include "platform/pci/tKIVCapabilityPCIAccessor.h"
#include "platform/pci/tPCIDevice.h"
#include "platform/pci/tTarn.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

uint32_t readPxiGeographicAddress(tPCIDevice* device, void* bar0, uint64_t bar0Length, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return 0;
  tKIVCapabilityPCIAccessor<tTarn> accessor(device, bar0, bar0Length, status);
  tGeographicAddress<tTarn> geographicAddress;
  accessor.getCapability(geographicAddress, status);
  if (status.isFatal()) return 0;
  return geographicAddress.getGeographicAddress();
}

uint32_t readPxiGeographicAddress(tPCIDevice& device, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return 0;
  void* bar0 = device.mapBARToKernel(0, status, 0);
  if (bar0 == nullptr) return 0;
  const uint32_t address = readPxiGeographicAddress(&device, bar0, device.getDescription().memoryBars[0].length, status);
  device.unmapFromKernel(bar0, 0);
  return address;
}

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
