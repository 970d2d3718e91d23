// The DMA companion's registers at the start of its window (non-isolated
// FPGA offset 0x64000): 0xC (bits 12-15 log2 of the link size, bits 16-19
// log2 of the channel-block stride) and 0x1C (channel 0's block, from the
// companion's start) hold what places the 48 channel blocks at FPGA offset
// 0x68000 + 0x100 c. The rest is plain registers.
#pragma once

#include <cstdint>

#include "simboard/RegisterBlock.h"

namespace simboard {

class DmaCompanionBlock : public RegisterBlock {
 public:
  static constexpr uint64_t kBar0Offset = 0x80000 + 0x64000;
  static constexpr uint64_t kSize = 0x400;
  static constexpr uint64_t kCOREDROffset = 0xC;
  static constexpr uint64_t kFirstChannelOffset = 0x1C;
  static constexpr uint32_t kStrideLog2 = 8;
  static constexpr uint32_t kFirstChannel = 0x4000;

  explicit DmaCompanionBlock(uint32_t linkSizeLog2 = 12) : RegisterBlock(kSize) {
    setLinkSizeLog2(linkSizeLog2);
    poke(kFirstChannelOffset, 32, kFirstChannel);
  }
  void setLinkSizeLog2(uint32_t log2) { poke(kCOREDROffset, 32, (kStrideLog2 << 16) | ((log2 & 0xF) << 12)); }
};

}  // namespace simboard
