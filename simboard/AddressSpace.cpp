#include "simboard/AddressSpace.h"

#include <cstdio>
#include <cstdlib>

namespace simboard {

namespace {
const char* nameOf(Space space) {
  switch (space) {
    case Space::kBar0: return "BAR 0";
    case Space::kPortTunnel: return "port tunnel";
    case Space::kIsolated: return "isolated side";
    case Space::kCpld: return "CPLD";
    case Space::kPowerMonitor: return "power monitor";
    case Space::kSerialFlash: return "serial flash";
  }
  return "?";
}
}  // namespace

AddressSpace::AddressSpace(Space space, uint64_t size, uint32_t granuleShift)
    : space_(space), size_(size), granuleShift_(granuleShift), owners_((size + (1ull << granuleShift) - 1) >> granuleShift, 0) {}

void AddressSpace::place(uint64_t start, std::unique_ptr<RegisterBlock> block) {
  const uint64_t end = start + block->size();
  const uint64_t granule = 1ull << granuleShift_;
  if (end > size_ || end < start || start % granule != 0 || placements_.size() >= 255) {
    std::fprintf(stderr, "simboard: a block at %#llx does not fit the %s space\n",
                 static_cast<unsigned long long>(start), nameOf(space_));
    std::abort();
  }
  const uint64_t first = start >> granuleShift_;
  const uint64_t last = (end + granule - 1) >> granuleShift_;
  for (uint64_t g = first; g < last; ++g) {
    if (owners_[g] != 0) {
      std::fprintf(stderr, "simboard: block at %#llx overlaps another in the %s space\n",
                   static_cast<unsigned long long>(start), nameOf(space_));
      std::abort();
    }
  }
  block->joinLog(*log_);
  placements_.push_back(Placement{start, std::move(block)});
  for (uint64_t g = first; g < last; ++g) owners_[g] = static_cast<uint8_t>(placements_.size());
}

RegisterBlock* AddressSpace::blockAt(uint64_t offset, uint64_t* blockOffset) {
  if (offset >= size_) return nullptr;
  const uint8_t slot = owners_[offset >> granuleShift_];
  if (slot == 0) return nullptr;
  Placement& p = placements_[slot - 1];
  if (offset - p.start >= p.block->size()) return nullptr;
  if (blockOffset != nullptr) *blockOffset = offset - p.start;
  return p.block.get();
}

void AddressSpace::coverWithPlainRegisters(uint64_t from, uint64_t to) {
  if (to > size_) to = size_;
  uint64_t g = from >> granuleShift_;
  const uint64_t end = (to + (1ull << granuleShift_) - 1) >> granuleShift_;
  while (g < end) {
    if (owners_[g] != 0) {
      ++g;
      continue;
    }
    uint64_t gapEnd = g;
    while (gapEnd < end && owners_[gapEnd] == 0) ++gapEnd;
    place(g << granuleShift_, std::make_unique<RegisterBlock>((gapEnd - g) << granuleShift_));
    g = gapEnd;
  }
}

uint64_t AddressSpace::accesses() const {
  uint64_t total = 0;
  for (const Placement& p : placements_) total += p.block->reads() + p.block->writes();
  return total;
}

void AddressSpace::joinLog(AccessLog& log) {
  log_ = &log;
  for (Placement& p : placements_) p.block->joinLog(log);
}

void AddressSpace::unowned(uint64_t offset, uint32_t width) const {
  std::fprintf(stderr, "simboard: %u-bit access at %#llx of the %s space, which no block of the board owns\n", width,
               static_cast<unsigned long long>(offset), nameOf(space_));
  std::abort();
}

}  // namespace simboard
