// Channel blocks follow one marker bit, each block 2^kChannelShift words
// long: with <1, 12, 7> channel c starts at 0x1000 | (c << 7).
#pragma once

#include <stdint.h>

#include "framework/frontEndAccessors/ChannelBaseAddressCalculatorInterface.h"

namespace voltarissharedsource {

template <uint32_t kMarker, uint32_t kMarkerShift, uint32_t kChannelShift>
class QuillicChannelBaseAddressCalculator : public ChannelBaseAddressCalculatorInterface {
 public:
  QuillicChannelBaseAddressCalculator() {}
  ~QuillicChannelBaseAddressCalculator() override {}

  uint32_t calculate(PhysicalChannelNumber channel) const override {
    return (kMarker << kMarkerShift) | (static_cast<uint32_t>(static_cast<uint8_t>(channel)) << kChannelShift);
  }
};

}  // namespace voltarissharedsource
