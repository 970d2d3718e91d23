#include "simboard/NisoFpgaBlock.h"

namespace simboard {

NisoFpgaBlock::NisoFpgaBlock() : RegisterBlock(kSize) {
  onRead(kSignatureOffset, [this](uint32_t) -> uint64_t { return configured_ ? signature_ : kUnconfiguredWord; });
  onWrite(kSignatureOffset, [](uint32_t, uint64_t) {});
  splitViews(kErrorManagerOffset);
  for (uint64_t i = 0; i < kStreamCircuitCount; ++i) {
    splitViews(kStreamCircuitOffset + kStreamCircuitStride * i + kTransferCountOffset);
  }
}

void NisoFpgaBlock::splitViews(uint64_t offset) {
  writeViews_[offset] = 0;
  onWrite(offset, [this, offset](uint32_t, uint64_t value) {
    writeViews_[offset] = value;
    splitViewWritten(offset, value);
  });
}

uint64_t NisoFpgaBlock::writeView(uint64_t offset) const {
  auto it = writeViews_.find(offset);
  return it == writeViews_.end() ? 0 : it->second;
}

}  // namespace simboard
