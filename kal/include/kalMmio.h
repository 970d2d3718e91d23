// Memory-mapped register ranges of the stand-in layer. Every register access
// the driver makes (nKIVKAL100_memoryRead*/Write* and our 64-bit hooks) to an
// address inside a registered range goes to that range's handler, with the
// offset from the range's base; any other address is plain memory.
// Tests and the simulated board include this header; driver code never does.
#pragma once

#include "kal/include/nKIVKAL.h"

#include <stdint.h>

#include <functional>

namespace kalsim {

struct MmioHandler {
  // width in bits: 8, 16, 32 or 64.
  std::function<uint64_t(uint64_t offset, uint32_t width)> read;
  std::function<void(uint64_t offset, uint32_t width, uint64_t value)> write;
};

// Ranges must not overlap; registering an overlapping range aborts.
void registerMmioRange(void* base, uint64_t size, MmioHandler handler);
void unregisterMmioRange(void* base);

}  // namespace kalsim

