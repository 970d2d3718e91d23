// The driver's own description of a PCI function: built by add device from
// the layer's record and copied by the PCI device, which keeps it for life.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "kal/include/nKIVKAL.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

struct tPCIBarRange {
  uint64_t start;
  uint64_t length;
  uint64_t reserved;
};
static_assert(sizeof(tPCIBarRange) == 24, "BAR range is 24 bytes");

struct tPCIRawResource {
  uint32_t startLow;
  uint32_t lengthLow;
};
static_assert(sizeof(tPCIRawResource) == 8, "raw resource is 8 bytes");

struct tPCIDescription {
  static constexpr uint32_t kBusTypePCI = 1;
  static constexpr uint16_t kInterruptKindMessage = 0;
  static constexpr uint16_t kInterruptKindLine = 6;
  static constexpr uint32_t kMaxBars = 6;

  uint32_t busType;
  uint64_t device;
  uint64_t layerDeviceHandle;
  uint64_t pciFunctionHandle;
  uint64_t componentName;
  nKIVKAL_tInterruptCallback interruptCallback;
  uint32_t interrupt;
  uint16_t interruptKind;
  uint8_t ioBarCount;
  tPCIBarRange ioBars[kMaxBars];
  uint8_t memoryBarCount;
  tPCIBarRange memoryBars[kMaxBars];
  uint16_t vendorID;
  uint16_t deviceID;
  uint16_t subsystemVendorID;
  uint16_t subsystemID;
  uint8_t revision;
  uint8_t bus;
  uint8_t deviceNumber;
  uint8_t functionNumber;
  uint32_t msiGranted;
  tPCIRawResource rawResources[kMaxBars];
  uint8_t pcieMaxLinkSpeed;
  uint8_t pcieLinkSpeed;
  uint8_t pcieMaxLinkWidth;
  uint8_t pcieLinkWidth;
  int32_t numaNode;

  // The four identifier words read as one, vendor in the low 16 bits.
  uint64_t getIdentity() const {
    return static_cast<uint64_t>(vendorID) | (static_cast<uint64_t>(deviceID) << 16) |
           (static_cast<uint64_t>(subsystemVendorID) << 32) | (static_cast<uint64_t>(subsystemID) << 48);
  }
};
static_assert(offsetof(tPCIDescription, busType) == 0, "PCI description: bus type");
static_assert(offsetof(tPCIDescription, device) == 8, "PCI description: device");
static_assert(offsetof(tPCIDescription, layerDeviceHandle) == 16, "PCI description: layer device handle");
static_assert(offsetof(tPCIDescription, pciFunctionHandle) == 24, "PCI description: PCI function handle");
static_assert(offsetof(tPCIDescription, componentName) == 32, "PCI description: component name");
static_assert(offsetof(tPCIDescription, interruptCallback) == 40, "PCI description: interrupt callback");
static_assert(offsetof(tPCIDescription, interrupt) == 56, "PCI description: interrupt number");
static_assert(offsetof(tPCIDescription, interruptKind) == 60, "PCI description: interrupt kind");
static_assert(offsetof(tPCIDescription, ioBarCount) == 62, "PCI description: I/O BAR count");
static_assert(offsetof(tPCIDescription, ioBars) == 64, "PCI description: I/O BARs");
static_assert(offsetof(tPCIDescription, memoryBarCount) == 208, "PCI description: memory BAR count");
static_assert(offsetof(tPCIDescription, memoryBars) == 216, "PCI description: memory BARs");
static_assert(offsetof(tPCIDescription, vendorID) == 360, "PCI description: vendor");
static_assert(offsetof(tPCIDescription, subsystemID) == 366, "PCI description: subsystem");
static_assert(offsetof(tPCIDescription, revision) == 368, "PCI description: revision");
static_assert(offsetof(tPCIDescription, functionNumber) == 371, "PCI description: function number");
static_assert(offsetof(tPCIDescription, msiGranted) == 372, "PCI description: MSI granted");
static_assert(offsetof(tPCIDescription, rawResources) == 376, "PCI description: raw resources");
static_assert(offsetof(tPCIDescription, pcieMaxLinkSpeed) == 424, "PCI description: link bytes");
static_assert(offsetof(tPCIDescription, pcieLinkWidth) == 427, "PCI description: negotiated width");
static_assert(offsetof(tPCIDescription, numaNode) == 428, "PCI description: NUMA node");
static_assert(sizeof(tPCIDescription) == 432, "PCI description is 432 bytes");

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
