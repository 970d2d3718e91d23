// The non-isolated FPGA as the full board has it: its links (NisoFpgaLinkBlock)
// and its DMA side. The 48 stream circuits (0x4000 + 0x2000 i, their first
// 0x938 bytes), the DMA companion (0x64000, its first 0x400 bytes) and the
// 48 DMA channel blocks (0x68000 + 0x100 c) answer as the DMA blocks do on a
// bare board; the rest of the FPGA's range is the link block's. Offsets are
// relative to the block.
//
// The two FIFO-reset registers, 0x50 (measure FIFOs, the even DMA
// channels') and 0x54 (command FIFOs, the odd ones'), take one self-clearing
// strobe per instrument channel in bits 0-23: each set bit counts one reset
// of that channel's FIFO, and the register reads back only bits 24-31.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "simboard/DmaChannelBlock.h"
#include "simboard/DmaCompanionBlock.h"
#include "simboard/NisoFpgaLinkBlock.h"
#include "simboard/StreamCircuitBlock.h"

namespace simboard {

class NisoFpgaDmaBlock : public NisoFpgaLinkBlock {
 public:
  static constexpr uint64_t kMeasureFifoResetOffset = 0x50;
  static constexpr uint64_t kCommandFifoResetOffset = 0x54;
  static constexpr uint32_t kFifoResetStrobes = 0x00FFFFFFu;
  static constexpr uint32_t kInstrumentChannels = 24;

  NisoFpgaDmaBlock();

  // Resets of instrument channel c's command (odd DMA channel) or measure
  // (even) FIFO.
  uint32_t fifoResets(bool command, uint32_t channel) const {
    return (command ? commandFifoResets_ : measureFifoResets_).at(channel);
  }

  uint64_t read(uint64_t offset, uint32_t width) override;
  void write(uint64_t offset, uint32_t width, uint64_t value) override;

  DmaChannelBlock& dmaChannel(uint32_t channel) { return *channels_.at(channel); }
  StreamCircuitBlock& streamCircuit(uint32_t circuit) { return *circuits_.at(circuit); }
  DmaCompanionBlock& dmaCompanion() { return companion_; }

 private:
  // The DMA block holding `offset`, with the offset inside it; null for the
  // link block's own range.
  RegisterBlock* dmaBlockAt(uint64_t offset, uint64_t& inside);

  void fifoResetWritten(uint64_t offset, uint64_t value);

  DmaCompanionBlock companion_;
  std::array<uint32_t, kInstrumentChannels> measureFifoResets_{};
  std::array<uint32_t, kInstrumentChannels> commandFifoResets_{};
  std::vector<std::unique_ptr<StreamCircuitBlock>> circuits_;
  std::vector<std::unique_ptr<DmaChannelBlock>> channels_;
};

}  // namespace simboard
