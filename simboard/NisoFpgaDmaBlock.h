// The non-isolated FPGA as the full board has it: its links (NisoFpgaLinkBlock)
// and its DMA side. The 48 stream circuits (0x4000 + 0x2000 i, their first
// 0x938 bytes), the DMA companion (0x64000, its first 0x400 bytes) and the
// 48 DMA channel blocks (0x68000 + 0x100 c) answer as the DMA blocks do on a
// bare board; the rest of the FPGA's range is the link block's. Offsets are
// relative to the block.
#pragma once

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
  NisoFpgaDmaBlock();

  uint64_t read(uint64_t offset, uint32_t width) override;
  void write(uint64_t offset, uint32_t width, uint64_t value) override;

  DmaChannelBlock& dmaChannel(uint32_t channel) { return *channels_.at(channel); }
  StreamCircuitBlock& streamCircuit(uint32_t circuit) { return *circuits_.at(circuit); }
  DmaCompanionBlock& dmaCompanion() { return companion_; }

 private:
  // The DMA block holding `offset`, with the offset inside it; null for the
  // link block's own range.
  RegisterBlock* dmaBlockAt(uint64_t offset, uint64_t& inside);

  DmaCompanionBlock companion_;
  std::vector<std::unique_ptr<StreamCircuitBlock>> circuits_;
  std::vector<std::unique_ptr<DmaChannelBlock>> channels_;
};

}  // namespace simboard
