// The kernel layer's record of one PCI function, as the add-device callback
// receives it. The layer fills it; the driver only reads it.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace vorlan_driver {
namespace nKIVAPAL000 {

struct tKalPCIResource {
  static constexpr uint32_t kFlagIOSpace = 1u << 0;
  static constexpr uint32_t kFlagMemorySpace = 1u << 1;

  uint64_t start;
  uint64_t length;
  uint32_t flags;
  uint8_t layerOwned[4];
};
static_assert(sizeof(tKalPCIResource) == 24, "layer PCI resource is 24 bytes");

struct tKalPCIRecord {
  static constexpr uint32_t kResourceCount = 6;

  uint64_t functionHandle;
  uint8_t layerOwned0[8];
  uint16_t bus;
  uint16_t device;
  uint16_t function;
  uint16_t vendorID;
  uint16_t deviceID;
  uint16_t subsystemVendorID;
  uint16_t subsystemID;
  uint16_t revision;
  uint32_t hasLineInterrupt;
  uint32_t interrupt;
  uint8_t layerOwned1[8];
  tKalPCIResource resources[kResourceCount];
};
static_assert(offsetof(tKalPCIRecord, functionHandle) == 0, "layer PCI record: function handle");
static_assert(offsetof(tKalPCIRecord, bus) == 16, "layer PCI record: bus");
static_assert(offsetof(tKalPCIRecord, device) == 18, "layer PCI record: device");
static_assert(offsetof(tKalPCIRecord, function) == 20, "layer PCI record: function");
static_assert(offsetof(tKalPCIRecord, vendorID) == 22, "layer PCI record: vendor");
static_assert(offsetof(tKalPCIRecord, deviceID) == 24, "layer PCI record: device identifier");
static_assert(offsetof(tKalPCIRecord, subsystemVendorID) == 26, "layer PCI record: subsystem vendor");
static_assert(offsetof(tKalPCIRecord, subsystemID) == 28, "layer PCI record: subsystem");
static_assert(offsetof(tKalPCIRecord, revision) == 30, "layer PCI record: revision");
static_assert(offsetof(tKalPCIRecord, hasLineInterrupt) == 32, "layer PCI record: line interrupt");
static_assert(offsetof(tKalPCIRecord, interrupt) == 36, "layer PCI record: interrupt number");
static_assert(offsetof(tKalPCIRecord, resources) == 48, "layer PCI record: resources");
static_assert(sizeof(tKalPCIRecord) == 192, "layer PCI record: the part the driver knows");

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
