#include "simboard/SimBoard.h"

#include <sys/mman.h>

#include <cstdio>
#include <cstdlib>

#include "kal/include/kalMmio.h"

namespace simboard {

SimBoard::SimBoard() : unclaimed_(kBar0Size) {
  bar0_ = mmap(nullptr, kBar0Size, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (bar0_ == MAP_FAILED) {
    std::perror("simboard: mmap of BAR 0");
    std::abort();
  }
  bridgeCore_ = &addBlock(0, std::make_unique<BridgeCoreBlock>());
  kalsim::registerMmioRange(bar0_, kBar0Size,
                            kalsim::MmioHandler{
                                [this](uint64_t offset, uint32_t width) { return read(offset, width); },
                                [this](uint64_t offset, uint32_t width, uint64_t value) {
                                  write(offset, width, value);
                                },
                            });
}

SimBoard::~SimBoard() {
  kalsim::unregisterMmioRange(bar0_);
  munmap(bar0_, kBar0Size);
}

void SimBoard::place(uint64_t start, std::unique_ptr<RegisterBlock> block) {
  std::lock_guard<std::mutex> lock(mutex_);
  const uint64_t end = start + block->size();
  if (end > kBar0Size) {
    std::fprintf(stderr, "simboard: block at %#llx runs past BAR 0\n", static_cast<unsigned long long>(start));
    std::abort();
  }
  for (const Placement& other : blocks_) {
    if (start < other.start + other.block->size() && other.start < end) {
      std::fprintf(stderr, "simboard: block at %#llx overlaps another\n", static_cast<unsigned long long>(start));
      std::abort();
    }
  }
  blocks_.push_back(Placement{start, std::move(block)});
}

RegisterBlock& SimBoard::blockAt(uint64_t offset, uint64_t& blockOffset) {
  for (Placement& placement : blocks_) {
    if (offset >= placement.start && offset - placement.start < placement.block->size()) {
      blockOffset = offset - placement.start;
      return *placement.block;
    }
  }
  blockOffset = offset;
  return unclaimed_;
}

// Handlers run under the board's mutex, so the log shows accesses in the
// order the board served them.
uint64_t SimBoard::read(uint64_t offset, uint32_t width) {
  std::lock_guard<std::mutex> lock(mutex_);
  uint64_t blockOffset = 0;
  const uint64_t value = blockAt(offset, blockOffset).read(blockOffset, width);
  log_.push_back(Access{offset, width, Direction::kRead, value});
  return value;
}

void SimBoard::write(uint64_t offset, uint32_t width, uint64_t value) {
  std::lock_guard<std::mutex> lock(mutex_);
  uint64_t blockOffset = 0;
  blockAt(offset, blockOffset).write(blockOffset, width, value);
  log_.push_back(Access{offset, width, Direction::kWrite, value});
}

std::vector<Access> SimBoard::accessLog() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return log_;
}

void SimBoard::clearAccessLog() {
  std::lock_guard<std::mutex> lock(mutex_);
  log_.clear();
}

}  // namespace simboard
