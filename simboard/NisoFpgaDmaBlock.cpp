#include "simboard/NisoFpgaDmaBlock.h"

namespace simboard {

NisoFpgaDmaBlock::NisoFpgaDmaBlock() {
  for (uint32_t i = 0; i < StreamCircuitBlock::kCircuits; ++i) circuits_.push_back(std::make_unique<StreamCircuitBlock>());
  for (uint32_t c = 0; c < DmaChannelBlock::kChannels; ++c) channels_.push_back(std::make_unique<DmaChannelBlock>(c));
}

RegisterBlock* NisoFpgaDmaBlock::dmaBlockAt(uint64_t offset, uint64_t& inside) {
  if (offset >= kDmaChannelOffset && offset < kDmaChannelOffset + kDmaChannelStride * DmaChannelBlock::kChannels) {
    inside = (offset - kDmaChannelOffset) % kDmaChannelStride;
    return channels_[(offset - kDmaChannelOffset) / kDmaChannelStride].get();
  }
  if (offset >= kDmaCompanionOffset && offset - kDmaCompanionOffset < DmaCompanionBlock::kSize) {
    inside = offset - kDmaCompanionOffset;
    return &companion_;
  }
  if (offset >= kStreamCircuitOffset && offset < kStreamCircuitOffset + kStreamCircuitStride * kStreamCircuitCount) {
    inside = (offset - kStreamCircuitOffset) % kStreamCircuitStride;
    if (inside < StreamCircuitBlock::kSize) return circuits_[(offset - kStreamCircuitOffset) / kStreamCircuitStride].get();
  }
  return nullptr;
}

uint64_t NisoFpgaDmaBlock::read(uint64_t offset, uint32_t width) {
  uint64_t inside = 0;
  RegisterBlock* block = dmaBlockAt(offset, inside);
  return block != nullptr ? block->read(inside, width) : NisoFpgaLinkBlock::read(offset, width);
}

void NisoFpgaDmaBlock::fifoResetWritten(uint64_t offset, uint64_t value) {
  auto& resets = offset == kCommandFifoResetOffset ? commandFifoResets_ : measureFifoResets_;
  for (uint32_t c = 0; c < kInstrumentChannels; ++c) {
    if (((value >> c) & 1u) != 0) ++resets[c];
  }
}

void NisoFpgaDmaBlock::write(uint64_t offset, uint32_t width, uint64_t value) {
  uint64_t inside = 0;
  RegisterBlock* block = dmaBlockAt(offset, inside);
  if (block != nullptr) {
    block->write(inside, width, value);
  } else if ((offset == kMeasureFifoResetOffset || offset == kCommandFifoResetOffset) && width == 32) {
    fifoResetWritten(offset, value);
    NisoFpgaLinkBlock::write(offset, width, value & ~uint64_t{kFifoResetStrobes});
  } else {
    NisoFpgaLinkBlock::write(offset, width, value);
  }
}

}  // namespace simboard
