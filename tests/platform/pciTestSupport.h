// Builds a PCI description from a stand-in function the way add device does.
#pragma once

#include <cstring>

#include "kal/include/kalPci.h"
#include "kal/include/nKIVKAL.h"
#include "platform/driver/tDriverRecord.h"
#include "platform/pci/tPCIDescription.h"

namespace pcitest {

constexpr uint64_t kLayerDeviceHandle = 0x5EED0000;

inline vorlan_driver::nKIVAPAL000::tPCIDescription describe(kalsim::PciFunction& function) {
  using vorlan_driver::nKIVAPAL000::tPCIDescription;
  const vorlan_driver::nKIVAPAL000::tKalPCIRecord& record = *function.record();
  tPCIDescription description;
  std::memset(&description, 0, sizeof(description));
  description.busType = tPCIDescription::kBusTypePCI;
  description.bus = static_cast<uint8_t>(record.bus);
  description.deviceNumber = static_cast<uint8_t>(record.device);
  description.functionNumber = static_cast<uint8_t>(record.function);
  description.vendorID = record.vendorID;
  description.deviceID = record.deviceID;
  description.subsystemVendorID = record.subsystemVendorID;
  description.subsystemID = record.subsystemID;
  description.revision = static_cast<uint8_t>(record.revision);
  description.numaNode = nKIVKAL1_getDeviceNUMANode(function.record());
  for (uint32_t i = 0; i < 6; ++i) {
    const auto& resource = record.resources[i];
    description.rawResources[i] = {static_cast<uint32_t>(resource.start), static_cast<uint32_t>(resource.length)};
    if (resource.flags & 1) {
      description.ioBars[description.ioBarCount++] = {resource.start, resource.length, 0};
    } else if (resource.flags & 2) {
      description.memoryBars[description.memoryBarCount++] = {resource.start, resource.length, 0};
    }
  }
  if (record.hasLineInterrupt) {
    description.interruptKind = tPCIDescription::kInterruptKindLine;
    description.interrupt = record.interrupt;
  }
  description.layerDeviceHandle = kLayerDeviceHandle;
  description.pciFunctionHandle = record.functionHandle;
  description.componentName = reinterpret_cast<uint64_t>(vorlan_driver::nKIVAPAL000::kDriverName);
  return description;
}

}  // namespace pcitest
