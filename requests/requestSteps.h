// The argument steps request methods run after their gate, each doing
// nothing once the status holds an error. Channels 0-23 exist; masks name
// them by bit.
#pragma once

#include <stdint.h>

#include "device/QuillDevice.h"
#include "platform/status/statusCodes.h"
#include "platform/status/tStatus.h"

namespace vorlan_driver {

constexpr uint64_t kAllChannelsMask = QuillDevice::kChannelMask;
constexpr uint32_t kChannelCount = 64 - __builtin_clzll(kAllChannelsMask);
constexpr uint32_t kSharedLoSenseADCCount = 4;
constexpr int64_t kBadChannelMask = statusCodes::fromWord(0xBFFA4303u);
constexpr int64_t kBadSharedLoSenseADC = statusCodes::fromWord(0xBFFA431Bu);

// Step I: the one-bit mask of a channel index. An index past the channels
// gives a mask that step R refuses, whatever its size: the index is never
// cut to fewer bits, so 256 does not become channel 0.
uint64_t getBitmaskFromPhysicalChannelNumber(uint32_t channel);
// Step R: no bit above the channels.
void checkChannelBitmaskInRange(uint64_t mask, nKIVAPALS100::tStatus& status);
// Step E: at least one channel.
void checkChannelBitmaskNotEmpty(uint64_t mask, nKIVAPALS100::tStatus& status);
// Step 1: the channel of a mask with exactly one channel; otherwise channel 0.
uint32_t getPhysicalChannelNumberFromBitmask(uint64_t mask, nKIVAPALS100::tStatus& status);
// Step L: one of the four shared LO-sense ADCs, by the low 16 bits.
void checkSharedLoSenseADCNumber(uint32_t adc, nKIVAPALS100::tStatus& status);
// Step P: the instrument channel a DMA channel serves.
uint32_t getPhysicalChannelNumberFromDmaChannel(uint32_t dmaChannel);

}  // namespace vorlan_driver
