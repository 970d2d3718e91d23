// Channel numbers and channel masks as the controller and DMA code share
// them: bit i of a mask is channel i; DMA channels 2i and 2i + 1 serve
// channel i.
#pragma once

#include <stdint.h>

namespace vorlan_driver {

constexpr uint8_t getPhysicalChannelNumberFromDmaChannel(uint8_t dmaChannel) {
  return static_cast<uint8_t>((dmaChannel >> 1) & 0x7F);
}

constexpr uint64_t getBitmaskFromPhysicalChannelNumber(uint8_t channel) { return uint64_t{1} << (channel & 63); }

// 0 for an empty mask, as for a mask of channel 0 alone.
constexpr uint32_t getHighestChannelNumber(uint64_t mask) {
  uint32_t highest = 0;
  for (uint32_t i = 0; i < 64; ++i) {
    if (((mask >> i) & 1u) != 0) highest = i;
  }
  return highest;
}

constexpr uint64_t clearHighestChannel(uint64_t mask) {
  return mask == 0 ? 0 : mask & ~(uint64_t{1} << getHighestChannelNumber(mask));
}

}  // namespace vorlan_driver
