// The timing chip's output-timer block, right behind the digital-output
// block at BAR 0 + 0x50034 (map offsets 0x0-0x35, relative to the timer).
// Writes stay in their latches; the status word at 0x0 and the value words
// at 0x4, 0xC and 0x14 have read sides of their own.
#pragma once

#include <cstdint>

#include "simboard/SplitRegisterBlock.h"

namespace simboard {

class TimingOutputTimerBlock : public SplitRegisterBlock {
 public:
  static constexpr uint64_t kBar0Offset = 0x50034;
  static constexpr uint64_t kSize = 0x36;

  TimingOutputTimerBlock();
};

}  // namespace simboard
