// Walks a bus's capability chain. Each header word: bits 0-1 the kind of
// the next pointer (0 absolute, 1 absolute with its high half from the word
// before the header, 2 relative to the header, 3 invalid), bits 2-15 the
// pointer, bits 16-31 the capability's identifier. The hardware builds the
// chain, so the walk trusts none of it: a relative pointer of 0 ends the
// chain like an absolute one does, and a walk that does not end within
// kMaximumCapabilities headers stops with -52018.
#pragma once

#include <stdint.h>

#include "platform/pci/tKIVCapability.h"
#include "platform/status/statusCodes.h"
#include "platform/status/tStatus.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

class tPCIDevice;

template <typename Bus>
class tKIVCapabilityPCIAccessor : public Bus {
 public:
  static constexpr uint32_t kMaximumCapabilities = 256;
  static constexpr uint32_t kNextKindMask = 0x3u;
  static constexpr uint32_t kNextPointerMask = 0xFFFCu;
  enum tNextKind : uint32_t {
    kNextAbsolute = 0,
    kNextAbsoluteHighBefore = 1,
    kNextRelative = 2,
    kNextInvalid = 3,
  };

  // Finds where the chain starts (the bus's set-up).
  tKIVCapabilityPCIAccessor(tPCIDevice* device, void* bar0, uint64_t bar0Length, nKIVAPALS100::tStatus& status)
      : Bus(device, bar0, bar0Length) {
    Bus::setUp(status);
  }

  // Finds the capability's header, after the capability's own offset when
  // it was found before, and lets it read its body: -52006 when the chain
  // does not hold it. The window is left as it was found, whatever the walk
  // met.
  void getCapability(tKIVCapability<Bus>& capability, nKIVAPALS100::tStatus& status) {
    if (status.isFatal()) return;
    Bus::saveWindow();
    Bus::openWindow();
    const uint32_t id = capability.getID();
    uint32_t offset = Bus::getChainStart();
    if (capability.getOffset() != 0) {
      const uint32_t header = Bus::read32(capability.getOffset(), status);
      offset = _findNextOffset(capability.getOffset(), header, status);
    }
    uint32_t found = 0;
    for (uint32_t visited = 0; offset != 0 && status.isNotFatal(); ++visited) {
      if (visited == kMaximumCapabilities) {
        vorlanSetCode(status, statusCodes::kInvalidCapabilityPointer);
        break;
      }
      const uint32_t header = Bus::read32(offset, status);
      const uint32_t next = _findNextOffset(offset, header, status);
      if (status.isFatal()) break;
      if ((header >> 16) == id) {
        found = offset;
        break;
      }
      offset = next;
    }
    if (found == 0) vorlanSetCode(status, statusCodes::kNotFound);
    capability.readCapability(*this, found, status);
    Bus::restoreWindow();
  }

  // The offset of the next header; 0 at the end of the chain.
  uint32_t _findNextOffset(uint32_t offset, uint32_t header, nKIVAPALS100::tStatus& status) {
    if (status.isFatal()) return 0;
    const uint32_t pointer = header & kNextPointerMask;
    switch (header & kNextKindMask) {
      case kNextAbsolute:
        return pointer;
      case kNextAbsoluteHighBefore:
        return (Bus::read32(offset - 4, status) & 0xFFFF0000u) | pointer;
      case kNextRelative:
        // Pointing 0 bytes on would be the header itself, for ever.
        return pointer == 0 ? 0 : offset + pointer;
      default:
        vorlanSetCode(status, statusCodes::kInvalidCapabilityPointer);
        return 0;
    }
  }
};

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
