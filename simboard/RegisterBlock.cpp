#include "simboard/RegisterBlock.h"

#include <cstdio>
#include <cstdlib>

namespace simboard {

RegisterBlock::RegisterBlock(uint64_t size) : storage_(size, 0) {}

uint64_t RegisterBlock::read(uint64_t offset, uint32_t width) {
  auto it = readHandlers_.find(offset);
  if (it != readHandlers_.end()) return it->second(width);
  return peek(offset, width);
}

void RegisterBlock::write(uint64_t offset, uint32_t width, uint64_t value) {
  auto it = writeHandlers_.find(offset);
  if (it != writeHandlers_.end()) {
    it->second(width, value);
    return;
  }
  poke(offset, width, value);
}

// A block never grows: an access past its end is a fault of the test or of
// the board's layout, so it stops the run.
uint32_t RegisterBlock::bytesAt(uint64_t offset, uint32_t width) const {
  const uint32_t bytes = width / 8;
  if (offset + bytes > storage_.size()) {
    std::fprintf(stderr, "simboard: %u-bit access at block offset %#llx beyond the block\n", width,
                 static_cast<unsigned long long>(offset));
    std::abort();
  }
  return bytes;
}

uint64_t RegisterBlock::peek(uint64_t offset, uint32_t width) const {
  const uint32_t bytes = bytesAt(offset, width);
  uint64_t value = 0;
  for (uint32_t i = 0; i < bytes; ++i) value |= static_cast<uint64_t>(storage_[offset + i]) << (8 * i);
  return value;
}

void RegisterBlock::poke(uint64_t offset, uint32_t width, uint64_t value) {
  const uint32_t bytes = bytesAt(offset, width);
  for (uint32_t i = 0; i < bytes; ++i) storage_[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace simboard
