#include "simboard/BridgeCoreBlock.h"

namespace simboard {

BridgeCoreBlock::BridgeCoreBlock() : RegisterBlock(kSize) {
  // Read-only words ignore writes.
  onRead(kSignatureOffset, [this](uint32_t) { return signature_; });
  onWrite(kSignatureOffset, [](uint32_t, uint64_t) {});
  onRead(kCapabilityOffset, [this](uint32_t) { return capabilities_; });
  onWrite(kCapabilityOffset, [](uint32_t, uint64_t) {});

  onWrite(kInterruptMaskOffset, [this](uint32_t, uint64_t value) { interrupts_.writeMask(static_cast<uint32_t>(value)); });
  onRead(kInterruptMaskOffset, [this](uint32_t) { return interrupts_.readMask(); });
  onRead(kInterruptStatusOffset, [this](uint32_t) { return interrupts_.readStatus(); });
  onWrite(kInterruptStatusOffset, [](uint32_t, uint64_t) {});
  onRead(kInterruptQueueOffset, [this](uint32_t) { return interrupts_.readQueue(); });
  onWrite(kInterruptQueueOffset, [](uint32_t, uint64_t) {});

  onWrite(kLoadControlOffset, [this](uint32_t width, uint64_t value) {
    poke(kLoadControlOffset, width, value);
    if ((value & kLoadStart) == 0) return;
    const uint64_t select =
        loadPort_ != nullptr ? loadPort_->peek(kLoadPortOffset - kLoadPortBlockOffset, 32) >> 8 & 0x7 : 0;
    loader_.start(peek(kLoadSizeOffset, 32), static_cast<uint32_t>(select));
  });
  onRead(kLoadStatusOffset, [this](uint32_t) { return loader_.status(); });
  onWrite(kLoadStatusOffset, [](uint32_t, uint64_t) {});
}

}  // namespace simboard
