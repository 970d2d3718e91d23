#include "simboard/StreamCircuitBlock.h"

namespace simboard {

StreamCircuitBlock::StreamCircuitBlock() : SplitRegisterBlock(0, kSize) {
  addReadSide(kControlStatusOffset);
  addReadSide(kTransferCountOffset);
  addReadSide(0x814);
  for (uint64_t offset : {0x880, 0x884, 0x888, 0x88C, 0x890, 0x894, 0x8A0, 0x8A4, 0x8A8, 0x8AC, 0x8B0}) {
    addReadSide(offset);
  }
  onLatchedWrite(kControlStatusOffset, [this](uint32_t, uint64_t command) {
    uint64_t state = readSide(kControlStatusOffset);
    if ((command & (1u << 2)) != 0) state &= ~uint64_t{kResetComplete};
    if ((command & 3u) != 0) mode_ = static_cast<uint32_t>(command & 3u);
    if ((command & kDataTransferEnable) != 0 && !enableNeverRises_) state |= kDataTransferEnable;
    if ((command & ((1u << 9) | (1u << 11))) != 0) {
      state &= ~uint64_t{kDataTransferEnable};
      if (!resetNeverCompletes_) state |= kResetComplete;
    }
    setReadSide(kControlStatusOffset, state);
  });
  onLatchedWrite(kTransferCountOffset, [this](uint32_t, uint64_t added) {
    creditTotal_ += added & 0xFFFFFFFFu;
    setReadSide(kTransferCountOffset, (readSide(kTransferCountOffset) + added) & 0xFFFFFFFFu);
  });
}

void StreamCircuitBlock::dropDataTransferEnable() {
  setReadSide(kControlStatusOffset, readSide(kControlStatusOffset) & ~uint64_t{kDataTransferEnable});
}

}  // namespace simboard
