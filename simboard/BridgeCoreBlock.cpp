#include "simboard/BridgeCoreBlock.h"

namespace simboard {

BridgeCoreBlock::BridgeCoreBlock() : RegisterBlock(kSize) {
  // Read-only words ignore writes.
  onRead(kSignatureOffset, [this](uint32_t) { return signature_; });
  onWrite(kSignatureOffset, [](uint32_t, uint64_t) {});
  onRead(kCapabilityOffset, [](uint32_t) { return kCapabilities; });
  onWrite(kCapabilityOffset, [](uint32_t, uint64_t) {});

  onWrite(kLoadControlOffset, [this](uint32_t width, uint64_t value) {
    poke(kLoadControlOffset, width, value);
    if ((value & kLoadStart) != 0) {
      loading_ = true;
      ++loadStarts_;
      image_.clear();
    }
  });
  onRead(kLoadStatusOffset, [this](uint32_t) { return loadStatus(); });
  onWrite(kLoadStatusOffset, [](uint32_t, uint64_t) {});

  // The data register consumes what it is given, 8 bytes for a 64-bit store
  // and one for a byte store; it reads as 0.
  onWrite(kLoadDataOffset, [this](uint32_t width, uint64_t value) {
    if (!loading_) return;
    for (uint32_t i = 0; i < width / 8; ++i) image_.push_back(static_cast<uint8_t>(value >> (8 * i)));
  });
  onRead(kLoadDataOffset, [](uint32_t) { return 0; });
}

uint32_t BridgeCoreBlock::loadStatus() const {
  uint32_t status = 0;
  if (loading_ && !neverReady_) status |= kLoadReadyForData;
  const uint64_t size = peek(kLoadSizeOffset, 32);
  if (loading_ && !neverDone_ && image_.size() >= size) status |= kLoadDone;
  return status;
}

}  // namespace simboard
