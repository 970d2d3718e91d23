#include "simboard/TimingDigitalOutputBlock.h"

namespace simboard {

TimingDigitalOutputBlock::TimingDigitalOutputBlock() : SplitRegisterBlock(0, kSize) {
  addReadSide(kLineLevelsOffset);
}

bool TimingDigitalOutputBlock::writeProtectLineIsOutput() const {
  return ((latch(kDirectionOffset, 32) >> kWriteProtectLine) & 1u) != 0;
}

bool TimingDigitalOutputBlock::writeProtectLineLevel() const {
  return ((latch(kOutputOffset, 32) >> kWriteProtectLine) & 1u) != 0;
}

}  // namespace simboard
