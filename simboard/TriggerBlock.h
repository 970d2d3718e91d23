// The board's trigger block at BAR 0 + 0x50088 (map offsets 0x88-0x106).
// Everything is write-only and kept in its latch, except the two 16-bit
// read-side words at 0xDC and 0xE0, which report the block's own state.
#pragma once

#include <cstdint>

#include "simboard/SplitRegisterBlock.h"

namespace simboard {

class TriggerBlock : public SplitRegisterBlock {
 public:
  static constexpr uint64_t kFirstOffset = 0x88;
  static constexpr uint64_t kBar0Offset = 0x50000 + kFirstOffset;
  static constexpr uint64_t kSize = 0x107 - kFirstOffset;

  TriggerBlock();
};

}  // namespace simboard
