// One DMA channel block inside the non-isolated FPGA's window of BAR 0 (map
// offsets 0x0-0xA7). The control word at 0x58 reads back what was written;
// the status word at 0x60 and the two transfer-count words at 0xA0 and 0xA4
// are read-only and report the channel's own state.
#pragma once

#include <cstdint>

#include "simboard/SplitRegisterBlock.h"

namespace simboard {

class DmaChannelBlock : public SplitRegisterBlock {
 public:
  static constexpr uint64_t kSize = 0xA8;
  static constexpr uint32_t kChannels = 48;
  static constexpr uint64_t kStatusOffset = 0x60;
  static constexpr uint64_t kCountLowOffset = 0xA0;
  static constexpr uint64_t kCountHighOffset = 0xA4;

  static constexpr uint64_t bar0Offset(uint32_t channel) { return 0x80000 + 0x68000 + 0x100ull * channel; }

  DmaChannelBlock();

  void setTransferCount(uint64_t count);
};

}  // namespace simboard
