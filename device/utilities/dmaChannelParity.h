// Two DMA channels serve each instrument channel: the odd one carries its
// command stream to the board, the even one its measurements back.
#pragma once

#include <stdint.h>

namespace vorlan_driver {

constexpr bool isCommandStreamDmaChannel(uint32_t dmaChannel) { return (dmaChannel & 1u) != 0; }
constexpr bool isMeasurementStreamDmaChannel(uint32_t dmaChannel) { return (dmaChannel & 1u) == 0; }

}  // namespace vorlan_driver
