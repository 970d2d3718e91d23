// The simulated board: owns BAR 0 (1 MiB) and answers every access the
// driver makes to it through the stand-in layer, block by block. BAR 0 is
// one AddressSpace; blocks with spaces of their own (the port tunnel, the
// isolated side behind the port windows) log into the same AccessLog, so
// one log holds the board's whole traffic in order. An access to a BAR 0
// offset no block owns stops the run. BAR 0's address is real address space
// that is never touched directly: it is mapped without access rights, so a
// driver access that bypasses the kernel layer faults instead of passing
// unseen.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "kal/include/kalMmio.h"
#include "simboard/AccessLog.h"
#include "simboard/AddressSpace.h"
#include "simboard/BridgeCoreBlock.h"
#include "simboard/RegisterBlock.h"

namespace simboard {

class SimBoard : private kalsim::MmioTarget {
 public:
  static constexpr uint64_t kBar0Size = 1u << 20;

  SimBoard();
  virtual ~SimBoard();
  SimBoard(const SimBoard&) = delete;
  SimBoard& operator=(const SimBoard&) = delete;

  void* bar0() const { return bar0_; }
  uint64_t bar0Address() const { return reinterpret_cast<uint64_t>(bar0_); }

  // Places a block at a BAR 0 offset (4-byte aligned); blocks must not overlap.
  template <class Block>
  Block& addBlock(uint64_t start, std::unique_ptr<Block> block) {
    Guard guard(*this);
    return space_.add(start, std::move(block));
  }

  BridgeCoreBlock& bridgeCore() { return *bridgeCore_; }

  // For tests of bare boards: what no block owns in [offset, offset + size)
  // becomes plain registers.
  void plainRegisters(uint64_t offset, uint64_t size) {
    Guard guard(*this);
    space_.coverWithPlainRegisters(offset, offset + size > offset ? offset + size : kBar0Size);
  }

  // BAR 0's traffic, as a copy taken under the board's lock.
  std::vector<Access> accessLog() const;
  void clearAccessLog();
  // Every space's traffic; read it while no driver thread is running.
  AccessLog& log() { return space_.log(); }
  AddressSpace& bar0Space() { return space_; }

 private:
  // Accesses come from the driver's threads and the layer's interrupt and
  // deferred-call threads; one at a time, so the log keeps their order. A
  // spin lock: uncontended, it costs a fraction of a mutex.
  class Guard {
   public:
    explicit Guard(const SimBoard& board) : lock_(board.busy_) {
      while (lock_.exchange(true, std::memory_order_acquire)) {
        while (lock_.load(std::memory_order_relaxed)) {
        }
      }
    }
    ~Guard() { lock_.store(false, std::memory_order_release); }

   private:
    std::atomic<bool>& lock_;
  };

  uint64_t mmioRead(uint64_t offset, uint32_t width) override {
    Guard guard(*this);
    return space_.read(offset, width);
  }
  void mmioWrite(uint64_t offset, uint32_t width, uint64_t value) override {
    Guard guard(*this);
    space_.write(offset, width, value);
  }

  void* bar0_ = nullptr;
  mutable std::atomic<bool> busy_{false};
  AddressSpace space_;
  BridgeCoreBlock* bridgeCore_ = nullptr;
};

}  // namespace simboard
