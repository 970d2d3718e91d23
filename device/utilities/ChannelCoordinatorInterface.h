// Maps the channels user mode names (logical) onto the board's (physical).
// No model of this driver pairs channels yet, so nothing creates one.
#pragma once

#include <stdint.h>

namespace voltarissharedsource {

typedef uint8_t PhysicalChannelNumber;

class ChannelCoordinatorInterface {
 public:
  static constexpr uint32_t kNoSecondaryChannel = 0xFFFFFFFFu;

  virtual ~ChannelCoordinatorInterface() {}
  virtual uint64_t getLogicalChannelMask() const = 0;
  virtual uint64_t getPhysicalChannelMask() const = 0;
  virtual uint64_t logicalToPhysicalMask(uint64_t logicalMask) const = 0;
  virtual PhysicalChannelNumber getPrimaryPhysicalChannel(PhysicalChannelNumber logical) const = 0;
  // kNoSecondaryChannel when a logical channel drives one physical channel.
  virtual uint32_t getSecondaryPhysicalChannel(PhysicalChannelNumber logical) const = 0;
  virtual bool hasSecondaryPhysicalChannel() const = 0;

 protected:
  // The mask of the `count` lowest channels.
  static uint64_t lowChannels(uint64_t count) { return count >= 64 ? ~0ull : (1ull << count) - 1; }
};

}  // namespace voltarissharedsource
