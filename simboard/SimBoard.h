// The simulated board: owns BAR 0 (1 MiB) and answers every access the
// driver makes to it through the stand-in layer, block by block, logging
// each one. BAR 0's address is real address space that is never touched
// directly: it is mapped without access rights, so a driver access that
// bypasses the kernel layer faults instead of passing unseen.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "simboard/BridgeCoreBlock.h"
#include "simboard/RegisterBlock.h"

namespace simboard {

enum class Direction { kRead, kWrite };

struct Access {
  uint64_t offset;  // from the start of BAR 0
  uint32_t width;   // 8, 16, 32 or 64
  Direction direction;
  uint64_t value;
  bool operator==(const Access& other) const {
    return offset == other.offset && width == other.width && direction == other.direction && value == other.value;
  }
};

class SimBoard {
 public:
  static constexpr uint64_t kBar0Size = 1u << 20;

  SimBoard();
  ~SimBoard();
  SimBoard(const SimBoard&) = delete;
  SimBoard& operator=(const SimBoard&) = delete;

  void* bar0() const { return bar0_; }
  uint64_t bar0Address() const { return reinterpret_cast<uint64_t>(bar0_); }

  // Places a block at a BAR 0 offset; blocks must not overlap. Offsets that
  // no block covers are plain registers.
  template <class Block>
  Block& addBlock(uint64_t start, std::unique_ptr<Block> block) {
    Block& placed = *block;
    place(start, std::move(block));
    return placed;
  }

  BridgeCoreBlock& bridgeCore() { return *bridgeCore_; }

  std::vector<Access> accessLog() const;
  void clearAccessLog();

 private:
  struct Placement {
    uint64_t start;
    std::unique_ptr<RegisterBlock> block;
  };

  void place(uint64_t start, std::unique_ptr<RegisterBlock> block);
  RegisterBlock& blockAt(uint64_t offset, uint64_t& blockOffset);
  uint64_t read(uint64_t offset, uint32_t width);
  void write(uint64_t offset, uint32_t width, uint64_t value);

  void* bar0_ = nullptr;
  mutable std::mutex mutex_;
  std::vector<Placement> blocks_;
  RegisterBlock unclaimed_;
  BridgeCoreBlock* bridgeCore_ = nullptr;
  std::vector<Access> log_;
};

}  // namespace simboard
