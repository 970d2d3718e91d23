#include "simboard/TimingOutputTimerBlock.h"

namespace simboard {

TimingOutputTimerBlock::TimingOutputTimerBlock() : SplitRegisterBlock(0, kSize) {
  for (uint64_t offset : {0x0, 0x4, 0xC, 0x14}) addReadSide(offset);
}

}  // namespace simboard
