#include "device/utilities/OneToTwoChannelCoordinator.h"

namespace voltarissharedsource {

uint64_t OneToTwoChannelCoordinator::logicalToPhysicalMask(uint64_t logicalMask) const {
  uint64_t physical = 0;
  for (uint32_t logical = 0; logical < 64; ++logical) {
    if ((logicalMask >> logical & 1u) == 0) continue;
    const uint32_t primary = getPrimaryPhysicalChannel(static_cast<PhysicalChannelNumber>(logical));
    // A primary past the mask's 64 bits names no channel of any board.
    if (primary < 64) physical |= 1ull << primary;
  }
  return physical;
}

}  // namespace voltarissharedsource
