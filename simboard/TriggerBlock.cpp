#include "simboard/TriggerBlock.h"

namespace simboard {

TriggerBlock::TriggerBlock() : SplitRegisterBlock(kFirstOffset, kSize) {
  addReadSide(0xDC);
  addReadSide(0xE0);
}

}  // namespace simboard
