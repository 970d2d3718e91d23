// One address space of the simulated board: blocks placed over ranges of
// offsets, found in constant time through a table with one entry per granule
// (2^granuleShift offsets), and one access log shared by every space of a
// board.
//
// The spaces (Space) are BAR 0 (byte offsets), the port tunnel's register
// files (port << 12 | selector << 8 | address) and the power monitor's eight
// registers. The isolated side behind the 27 port windows (14-bit word
// addresses, Access::via the window; IsolatedRegisterSpace) logs into the
// same log under Space::kIsolated, the relay CPLDs' words under kCpld and
// the serial flash's transactions under kSerialFlash (byte addresses;
// SerialFlash says how a transaction is recorded).
//
// How to use one (the whole API):
//   AddressSpace space(Space::kIsolated, 1u << 14, 0);
//   MyBlock& block = space.add(0x1000, std::make_unique<MyBlock>());
//   space.read(offset, 32, via);  space.write(offset, 32, value, via);
//   block.setLogPolicy(LogPolicy::kCount);  block.reads(); block.writes();
//   space.log().in(Space::kIsolated, block)  // or .between(space, from, to)
// An access to an offset no block owns, or past a block's end, stops the run
// with a message: a test must never pass by reading memory nobody models.
// Blocks are RegisterBlocks; a block with a space inside (a port tunnel, the
// isolated side) passes that space the log it is given in joinLog().
// Nothing here locks: the board serialises the accesses that reach it.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "simboard/AccessLog.h"
#include "simboard/RegisterBlock.h"

namespace simboard {

class AddressSpace {
 public:
  AddressSpace(Space space, uint64_t size, uint32_t granuleShift);
  AddressSpace(const AddressSpace&) = delete;
  AddressSpace& operator=(const AddressSpace&) = delete;

  Space id() const { return space_; }
  uint64_t size() const { return size_; }

  // Places a block at `start`; blocks must not overlap and must start on a
  // granule. The space owns it.
  template <class Block>
  Block& add(uint64_t start, std::unique_ptr<Block> block) {
    Block& placed = *block;
    place(start, std::move(block));
    return placed;
  }

  // `via` tells which port window carried an access (the isolated side).
  uint64_t read(uint64_t offset, uint32_t width, uint16_t via = 0) {
    Placement& p = owner(offset, width);
    const uint64_t value = p.block->read(offset - p.start, width);
    p.block->noteAccess(*log_, Access{offset, width, Direction::kRead, value, space_, via, p.block.get()});
    return value;
  }
  void write(uint64_t offset, uint32_t width, uint64_t value, uint16_t via = 0) {
    Placement& p = owner(offset, width);
    p.block->write(offset - p.start, width, value);
    p.block->noteAccess(*log_, Access{offset, width, Direction::kWrite, value, space_, via, p.block.get()});
  }

  // For test benches that drive a bare space: every granule of [from, to)
  // that no block owns becomes plain registers (one block per gap).
  void coverWithPlainRegisters(uint64_t from, uint64_t to);

  // The block holding `offset`, or null; for tests and peeks.
  RegisterBlock* blockAt(uint64_t offset, uint64_t* blockOffset = nullptr);

  // Every access the blocks counted (all but those of kOff blocks).
  uint64_t accesses() const;

  AccessLog& log() { return *log_; }
  const AccessLog& log() const { return *log_; }
  // Logs into `log` from now on (a board's shared log); blocks placed here
  // with spaces of their own follow.
  void joinLog(AccessLog& log);

 private:
  struct Placement {
    uint64_t start;
    std::unique_ptr<RegisterBlock> block;
  };

  void place(uint64_t start, std::unique_ptr<RegisterBlock> block);
  [[noreturn]] void unowned(uint64_t offset, uint32_t width) const;

  Placement& owner(uint64_t offset, uint32_t width) {
    if (offset < size_) {
      const uint8_t slot = owners_[offset >> granuleShift_];
      if (slot != 0) {
        Placement& p = placements_[slot - 1];
        if (offset - p.start < p.block->size()) return p;
      }
    }
    unowned(offset, width);
  }

  Space space_;
  uint64_t size_;
  uint32_t granuleShift_;
  std::vector<uint8_t> owners_;  // 1 + placement index, 0 for nobody
  std::vector<Placement> placements_;
  AccessLog ownLog_;
  AccessLog* log_ = &ownLog_;
};

}  // namespace simboard
