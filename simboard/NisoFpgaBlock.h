// The non-isolated FPGA's register block, placed at BAR 0 + kBar0Offset: its
// own registers, 48 stream circuits, the DMA companion and 48 DMA channels,
// all plain storage of any access width (64-bit registers included), except
// - the signature word, which reads the signature while the FPGA is
//   configured and all ones while it is not, and ignores writes;
// - the words with split views (the error manager at 0xB0, each stream
//   circuit's transfer count at 0x810): a write lands in the write view,
//   a read answers from the read view, which tests set with poke().
#pragma once

#include <cstdint>
#include <map>

#include "simboard/RegisterBlock.h"

namespace simboard {

class NisoFpgaBlock : public RegisterBlock {
 public:
  static constexpr uint64_t kBar0Offset = 0x80000;
  static constexpr uint64_t kSize = 0x6B000;
  static constexpr uint32_t kSignature = 0x5A3C0E91u;
  static constexpr uint32_t kUnconfiguredWord = 0xFFFFFFFFu;

  static constexpr uint64_t kSignatureOffset = 0x0;
  static constexpr uint64_t kErrorManagerOffset = 0xB0;
  static constexpr uint64_t kStreamCircuitOffset = 0x4000;
  static constexpr uint64_t kStreamCircuitStride = 0x2000;
  static constexpr uint64_t kStreamCircuitCount = 48;
  static constexpr uint64_t kTransferCountOffset = 0x810;
  static constexpr uint64_t kDmaCompanionOffset = 0x64000;
  static constexpr uint64_t kDmaChannelOffset = 0x68000;
  static constexpr uint64_t kDmaChannelStride = 0x100;

  NisoFpgaBlock();

  // ---- knobs
  void setConfigured(bool configured) { configured_ = configured; }
  void setSignature(uint32_t signature) { signature_ = signature; }

  // ---- the write view of a split word: the last value written there (0
  // before any write).
  uint64_t writeView(uint64_t offset) const;

 protected:
  // Called after a split word's write view took a write.
  virtual void splitViewWritten(uint64_t offset, uint64_t value) {
    (void)offset;
    (void)value;
  }

 private:
  void splitViews(uint64_t offset);

  bool configured_ = true;
  uint32_t signature_ = kSignature;
  std::map<uint64_t, uint64_t> writeViews_;
};

}  // namespace simboard
