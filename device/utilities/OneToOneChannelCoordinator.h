// Logical channel i is physical channel i.
#pragma once

#include "device/utilities/ChannelCoordinatorInterface.h"

namespace voltarissharedsource {

class OneToOneChannelCoordinator : public ChannelCoordinatorInterface {
 public:
  explicit OneToOneChannelCoordinator(uint64_t physicalChannels) : physicalChannels_(physicalChannels) {}

  uint64_t getLogicalChannelMask() const override { return lowChannels(physicalChannels_); }
  uint64_t getPhysicalChannelMask() const override { return lowChannels(physicalChannels_); }
  uint64_t logicalToPhysicalMask(uint64_t logicalMask) const override { return logicalMask; }
  PhysicalChannelNumber getPrimaryPhysicalChannel(PhysicalChannelNumber logical) const override { return logical; }
  uint32_t getSecondaryPhysicalChannel(PhysicalChannelNumber) const override { return kNoSecondaryChannel; }
  bool hasSecondaryPhysicalChannel() const override { return false; }

 private:
  uint64_t physicalChannels_;
};

}  // namespace voltarissharedsource
