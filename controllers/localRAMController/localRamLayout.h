// How the driver uses the sequencer's local RAM: the package image from word
// 0, then from word 0x8000 one command region of 1365 words per channel,
// each ending in a trailer word; the last 8 words are not used.
#pragma once

#include <stdint.h>

#include "controllers/sequencer/SequencerCommandWord.h"
#include "regmaps/isolated/tTheQuillIsoChannelRegMap.h"

namespace vorlan_driver {

constexpr uint64_t kLocalRamWords = 0x10000;
constexpr uint32_t kChannelRegionsStart = 0x8000;
constexpr uint32_t kChannelRegionWords = 1365;
// Command words one request may put into a region, directly below its trailer.
constexpr uint32_t kChannelRegionCommandWords = kChannelRegionWords - 1;

struct LocalRamRegion {
  uint32_t start;
  uint32_t length;
  constexpr uint32_t trailerAddress() const { return start + length - 1; }
};

constexpr LocalRamRegion getLocalRamChannelRegion(uint32_t channel) {
  return LocalRamRegion{kChannelRegionsStart + kChannelRegionWords * channel, kChannelRegionWords};
}

// The word at the end of every region: when a region's run reaches it, it
// sets bit 16 of the channel's miscellaneous control register.
constexpr uint64_t channelRegionTrailerWord() {
  SequencerCommandWordOp3 word;
  word.setBits32To47(vorlan_regmaps::tTheQuillIsoChannelRegMap::tMiscChannelControlReg::kRegisterOffset)
      .setBits48To51(13)
      .setOperand(1u << 16);
  return word.getValue();
}

static_assert(getLocalRamChannelRegion(23).trailerAddress() < kLocalRamWords - 8, "regions leave the last 8 words");

}  // namespace vorlan_driver
