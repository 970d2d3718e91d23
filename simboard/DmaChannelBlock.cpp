#include "simboard/DmaChannelBlock.h"

namespace simboard {

DmaChannelBlock::DmaChannelBlock() : SplitRegisterBlock(0, kSize) {
  addReadSide(kStatusOffset);
  addReadSide(kCountLowOffset);
  addReadSide(kCountHighOffset);
}

void DmaChannelBlock::setTransferCount(uint64_t count) {
  setReadSide(kCountLowOffset, count & 0xFFFFFFFFu);
  setReadSide(kCountHighOffset, count >> 32);
}

}  // namespace simboard
