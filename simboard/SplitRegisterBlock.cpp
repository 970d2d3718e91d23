#include "simboard/SplitRegisterBlock.h"

#include <cstdio>
#include <cstdlib>

namespace simboard {

SplitRegisterBlock::SplitRegisterBlock(uint64_t mapOffset, uint64_t size)
    : RegisterBlock(size), mapOffset_(mapOffset) {}

void SplitRegisterBlock::addReadSide(uint64_t offset) {
  const uint64_t blockOffset = offset - mapOffset_;
  readSides_[offset] = 0;
  onRead(blockOffset, [this, offset](uint32_t width) {
    const uint64_t value = readSides_.at(offset);
    return width >= 64 ? value : value & ((1ull << width) - 1);
  });
}

void SplitRegisterBlock::setReadSide(uint64_t offset, uint64_t value) {
  auto it = readSides_.find(offset);
  if (it == readSides_.end()) {
    std::fprintf(stderr, "simboard: no read-side register at map offset %#llx\n",
                 static_cast<unsigned long long>(offset));
    std::abort();
  }
  it->second = value;
}

uint64_t SplitRegisterBlock::readSide(uint64_t offset) const { return readSides_.at(offset); }

void SplitRegisterBlock::onLatchedWrite(uint64_t offset, WriteHandler then) {
  const uint64_t blockOffset = offset - mapOffset_;
  onWrite(blockOffset, [this, blockOffset, then](uint32_t width, uint64_t value) {
    poke(blockOffset, width, value);
    then(width, value);
  });
}

}  // namespace simboard
