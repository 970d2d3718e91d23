// Logical channel i drives the pair of physical channels 2i (primary) and
// 2i + 1 (secondary); there are half as many logical channels.
#pragma once

#include "device/utilities/ChannelCoordinatorInterface.h"

namespace voltarissharedsource {

class OneToTwoChannelCoordinator : public ChannelCoordinatorInterface {
 public:
  explicit OneToTwoChannelCoordinator(uint64_t physicalChannels) : physicalChannels_(physicalChannels) {}

  uint64_t getLogicalChannelMask() const override { return lowChannels(physicalChannels_ / 2); }
  uint64_t getPhysicalChannelMask() const override { return lowChannels(physicalChannels_); }
  // The primaries only: a secondary follows its primary.
  uint64_t logicalToPhysicalMask(uint64_t logicalMask) const override;
  PhysicalChannelNumber getPrimaryPhysicalChannel(PhysicalChannelNumber logical) const override {
    return static_cast<PhysicalChannelNumber>(2 * logical);
  }
  uint32_t getSecondaryPhysicalChannel(PhysicalChannelNumber logical) const override { return 2u * logical + 1; }
  bool hasSecondaryPhysicalChannel() const override { return true; }

 private:
  uint64_t physicalChannels_;
};

}  // namespace voltarissharedsource
