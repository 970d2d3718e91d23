// The bridge chip's core block at BAR 0 offsets 0 to 0x45F: signature,
// capability word and the FPGA loader's control, status and size
// registers. The loader's data register (FpgaLoadDataBlock) and the
// registers above it, with the port select at 0x510, are blocks of their
// own (attachLoadPort). Offsets without behaviour are plain registers.
#pragma once

#include <cstdint>

#include "simboard/FpgaLoader.h"
#include "simboard/BridgeInterruptQueue.h"
#include "simboard/RegisterBlock.h"

namespace simboard {

class BridgeCoreBlock : public RegisterBlock {
 public:
  static constexpr uint64_t kSize = 0x460;
  // The block above the data register, from 0x468 to the map's end.
  static constexpr uint64_t kLoadPortBlockOffset = 0x468;
  static constexpr uint64_t kLoadPortBlockSize = 0x518 - kLoadPortBlockOffset;
  static constexpr uint64_t kLoadPortOffset = 0x510;
  static constexpr uint32_t kSignature = 0xC0107AD0u;
  // Bit 5: the chip addresses 64 bits for DMA.
  static constexpr uint32_t kCapabilities = 0x120u;

  static constexpr uint64_t kSignatureOffset = 0x000;
  static constexpr uint64_t kCapabilityOffset = 0x00C;
  static constexpr uint64_t kInterruptMaskOffset = 0x05C;
  static constexpr uint64_t kInterruptStatusOffset = 0x060;
  static constexpr uint64_t kInterruptQueueOffset = 0x068;
  static constexpr uint64_t kLoadControlOffset = 0x440;
  static constexpr uint64_t kLoadStatusOffset = 0x448;
  static constexpr uint64_t kLoadSizeOffset = 0x458;
  static constexpr uint64_t kLoadDataOffset = 0x460;
  static constexpr uint32_t kLoadStart = 0x1;
  static constexpr uint32_t kLoadReadyForData = FpgaLoader::kReadyForData;
  static constexpr uint32_t kLoadDone = FpgaLoader::kDone;

  BridgeCoreBlock();

  // The block holding the port select register; a start reads it there.
  void attachLoadPort(RegisterBlock& block) { loadPort_ = &block; }

  // ---- knobs
  void setSignature(uint32_t signature) { signature_ = signature; }
  // A chip that addresses only 32 bits for DMA clears bit 5.
  void setCapabilities(uint32_t capabilities) { capabilities_ = capabilities; }
  void setNeverReady(bool never) { loader_.setNeverReady(never); }
  void setNeverDone(bool never) { loader_.setNeverDone(never); }

  FpgaLoader& loader() { return loader_; }
  BridgeInterruptQueue& interrupts() { return interrupts_; }

 private:
  uint32_t signature_ = kSignature;
  uint32_t capabilities_ = kCapabilities;
  RegisterBlock* loadPort_ = nullptr;
  FpgaLoader loader_;
  BridgeInterruptQueue interrupts_;
};

}  // namespace simboard
