// Where a channel's register block starts in the isolated side's address
// space.
#pragma once

#include <stdint.h>

namespace voltarissharedsource {

typedef uint32_t PhysicalChannelNumber;

class ChannelBaseAddressCalculatorInterface {
 public:
  virtual ~ChannelBaseAddressCalculatorInterface() {}
  virtual uint32_t calculate(PhysicalChannelNumber channel) const = 0;

 protected:
  ChannelBaseAddressCalculatorInterface() {}
  ChannelBaseAddressCalculatorInterface(const ChannelBaseAddressCalculatorInterface&) = delete;
  ChannelBaseAddressCalculatorInterface& operator=(const ChannelBaseAddressCalculatorInterface&) = delete;
};

}  // namespace voltarissharedsource
