// Memory-mapped register ranges of the stand-in layer. Every register access
// the driver makes (nKIVKAL100_memoryRead*/Write* and our 64-bit hooks) to an
// address inside a registered range goes to that range's target, with the
// offset from the range's base. An access to any other address stops the run:
// the driver has no business touching memory no board owns through them.
// Lookups take no lock and allocate nothing (a few ranges at most are
// registered at once, as many as boards exist).
// Tests and the simulated board include this header; driver code never does.
#pragma once

#include "kal/include/nKIVKAL.h"

#include <stdint.h>

namespace kalsim {

class MmioTarget {
 public:
  // width in bits: 8, 16, 32 or 64.
  virtual uint64_t mmioRead(uint64_t offset, uint32_t width) = 0;
  virtual void mmioWrite(uint64_t offset, uint32_t width, uint64_t value) = 0;

 protected:
  ~MmioTarget() = default;
};

// Ranges must not overlap; registering an overlapping range, or more than
// kMaxMmioRanges at once, aborts. The target must outlive its registration.
constexpr uint32_t kMaxMmioRanges = 64;
void registerMmioRange(void* base, uint64_t size, MmioTarget& target);
void unregisterMmioRange(void* base);

}  // namespace kalsim
