// The bridge chip's core block at BAR 0 offset 0: signature, capability
// word and the FPGA download engine. Offsets without behaviour are plain
// registers.
#pragma once

#include <cstdint>
#include <vector>

#include "simboard/RegisterBlock.h"

namespace simboard {

class BridgeCoreBlock : public RegisterBlock {
 public:
  static constexpr uint64_t kSize = 0x518;
  static constexpr uint32_t kSignature = 0xC0107AD0u;
  // Bit 5: the chip addresses 64 bits for DMA.
  static constexpr uint32_t kCapabilities = 0x120u;

  static constexpr uint64_t kSignatureOffset = 0x000;
  static constexpr uint64_t kCapabilityOffset = 0x00C;
  static constexpr uint64_t kLoadControlOffset = 0x440;
  static constexpr uint64_t kLoadStatusOffset = 0x448;
  static constexpr uint64_t kLoadSizeOffset = 0x458;
  static constexpr uint64_t kLoadDataOffset = 0x460;
  static constexpr uint32_t kLoadStart = 0x1;
  static constexpr uint32_t kLoadReadyForData = 0x4;
  static constexpr uint32_t kLoadDone = 0x20;

  BridgeCoreBlock();

  // ---- knobs
  void setSignature(uint32_t signature) { signature_ = signature; }
  void setNeverReady(bool never) { neverReady_ = never; }
  void setNeverDone(bool never) { neverDone_ = never; }

  // ---- what a download delivered
  bool loadStarted() const { return loading_; }
  uint32_t loadStarts() const { return loadStarts_; }
  const std::vector<uint8_t>& loadedImage() const { return image_; }

 private:
  uint32_t loadStatus() const;

  uint32_t signature_ = kSignature;
  bool neverReady_ = false;
  bool neverDone_ = false;
  bool loading_ = false;
  uint32_t loadStarts_ = 0;
  std::vector<uint8_t> image_;
};

}  // namespace simboard
