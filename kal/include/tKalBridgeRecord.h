// One PCI bridge as the kernel layer's bus enumeration reports it. The
// layer fills it; the driver only reads it.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace vorlan_driver {
namespace nKIVAPAL000 {

struct tKalBridgeRecord {
  uint16_t bus;
  uint16_t device;
  uint16_t function;
  uint8_t layerOwned0[10];
  uint16_t secondaryBus;
  uint16_t subordinateBus;
  uint16_t domain;
  uint8_t layerOwned1[2];
};
static_assert(offsetof(tKalBridgeRecord, bus) == 0, "bridge record: bus");
static_assert(offsetof(tKalBridgeRecord, device) == 2, "bridge record: device");
static_assert(offsetof(tKalBridgeRecord, function) == 4, "bridge record: function");
static_assert(offsetof(tKalBridgeRecord, secondaryBus) == 16, "bridge record: secondary bus");
static_assert(offsetof(tKalBridgeRecord, subordinateBus) == 18, "bridge record: subordinate bus");
static_assert(offsetof(tKalBridgeRecord, domain) == 20, "bridge record: domain");
static_assert(sizeof(tKalBridgeRecord) == 24, "bridge record: the part the driver knows");

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
