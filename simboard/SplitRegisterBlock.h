// A register block whose offsets can carry two registers: what the driver
// writes stays in a write latch (the block's storage), and a read-side
// register at the same offset answers reads with a value of its own. Write
// latches can be looked at by tests but never reach a read-side register;
// how often a register was written is in the board's access log.
// Offsets are those of the register map that drives the block: `mapOffset`
// is the map offset of the block's first byte.
#pragma once

#include <cstdint>
#include <map>

#include "simboard/RegisterBlock.h"

namespace simboard {

class SplitRegisterBlock : public RegisterBlock {
 public:
  SplitRegisterBlock(uint64_t mapOffset, uint64_t size);

  uint64_t mapOffset() const { return mapOffset_; }

  // What the last write left at a map offset, `width` bits of it.
  uint64_t latch(uint64_t offset, uint32_t width) const { return peek(offset - mapOffset_, width); }
  // The value a read-side register answers with; only offsets declared with
  // addReadSide have one.
  void setReadSide(uint64_t offset, uint64_t value);
  uint64_t readSide(uint64_t offset) const;

 protected:
  void addReadSide(uint64_t offset);
  // A write handler that latches the value before it acts on it.
  void onLatchedWrite(uint64_t offset, WriteHandler then);

 private:
  uint64_t mapOffset_;
  std::map<uint64_t, uint64_t> readSides_;
};

}  // namespace simboard
