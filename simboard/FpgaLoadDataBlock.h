// The bridge's FPGA load data register (BAR 0 offset 0x460) as a block of
// its own, so image data gets a log policy of its own (the whole board
// only counts its stores; a bare board logs them like any register). Each
// store goes to the loader as it arrives. It reads as 0.
#pragma once

#include <cstdint>

#include "simboard/FpgaLoader.h"
#include "simboard/RegisterBlock.h"

namespace simboard {

class FpgaLoadDataBlock : public RegisterBlock {
 public:
  static constexpr uint64_t kOffset = 0x460;
  static constexpr uint64_t kSize = 8;

  explicit FpgaLoadDataBlock(FpgaLoader& loader) : RegisterBlock(kSize), loader_(loader) {}

  uint64_t read(uint64_t, uint32_t) override { return 0; }
  void write(uint64_t offset, uint32_t width, uint64_t value) override {
    (void)offset;
    loader_.take(value, width / 8);
  }

 private:
  FpgaLoader& loader_;
};

}  // namespace simboard
