#include "kal/include/kalMmio.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "kal/include/kalStandIn.h"
#include "kal/include/nKIVKAL.h"

namespace kalsim {
namespace {

// A slot is live while its base is nonzero; the base is published last and
// withdrawn first, so a reader that sees it also sees size and target.
struct Slot {
  std::atomic<uintptr_t> base{0};
  uint64_t size = 0;
  MmioTarget* target = nullptr;
};

Slot gSlots[kMaxMmioRanges];
std::atomic<uint32_t> gSlotsInUse{0};  // slots at or past this index were never used
std::mutex gRegistration;

MmioTarget& find(const volatile void* address, uint64_t& offset, uint32_t width) {
  const uintptr_t at = reinterpret_cast<uintptr_t>(address);
  const uint32_t used = gSlotsInUse.load(std::memory_order_acquire);
  for (uint32_t i = 0; i < used; ++i) {
    const uintptr_t base = gSlots[i].base.load(std::memory_order_acquire);
    if (base != 0 && at - base < gSlots[i].size) {
      offset = at - base;
      return *gSlots[i].target;
    }
  }
  std::fprintf(stderr, "kalsim: %u-bit register access at %p, which no simulated board owns\n", width,
               const_cast<const void*>(address));
  std::abort();
}

// The board may allocate while it serves an access (its log): never the
// driver's allocation.
template <class T>
T readAt(const volatile void* address, uint32_t width) {
  HostAllocations hostAllocations;
  uint64_t offset = 0;
  MmioTarget& target = find(address, offset, width);
  return static_cast<T>(target.mmioRead(offset, width));
}

template <class T>
void writeAt(volatile void* address, uint32_t width, T value) {
  HostAllocations hostAllocations;
  uint64_t offset = 0;
  MmioTarget& target = find(address, offset, width);
  target.mmioWrite(offset, width, value);
}

}  // namespace

void registerMmioRange(void* base, uint64_t size, MmioTarget& target) {
  const uintptr_t start = reinterpret_cast<uintptr_t>(base);
  std::lock_guard<std::mutex> lock(gRegistration);
  Slot* free = nullptr;
  for (Slot& slot : gSlots) {
    const uintptr_t other = slot.base.load(std::memory_order_relaxed);
    if (other == 0) {
      if (free == nullptr) free = &slot;
      continue;
    }
    if (start < other + slot.size && other < start + size) {
      std::fprintf(stderr, "kalsim: MMIO range %p+%#llx overlaps another\n", base,
                   static_cast<unsigned long long>(size));
      std::abort();
    }
  }
  if (free == nullptr || start == 0) {
    std::fprintf(stderr, "kalsim: no room for the MMIO range at %p\n", base);
    std::abort();
  }
  free->size = size;
  free->target = &target;
  free->base.store(start, std::memory_order_release);
  const uint32_t index = static_cast<uint32_t>(free - gSlots) + 1;
  if (index > gSlotsInUse.load(std::memory_order_relaxed)) gSlotsInUse.store(index, std::memory_order_release);
}

void unregisterMmioRange(void* base) {
  const uintptr_t start = reinterpret_cast<uintptr_t>(base);
  std::lock_guard<std::mutex> lock(gRegistration);
  for (Slot& slot : gSlots) {
    if (slot.base.load(std::memory_order_relaxed) == start) slot.base.store(0, std::memory_order_release);
  }
}

}  // namespace kalsim

extern "C" {

uint8_t nKIVKAL100_memoryRead8(const volatile void* address) { return kalsim::readAt<uint8_t>(address, 8); }
uint16_t nKIVKAL100_memoryRead16(const volatile void* address) { return kalsim::readAt<uint16_t>(address, 16); }
uint32_t nKIVKAL100_memoryRead32(const volatile void* address) { return kalsim::readAt<uint32_t>(address, 32); }
void nKIVKAL100_memoryWrite8(volatile void* address, uint8_t value) { kalsim::writeAt(address, 8, value); }
void nKIVKAL100_memoryWrite16(volatile void* address, uint16_t value) { kalsim::writeAt(address, 16, value); }
void nKIVKAL100_memoryWrite32(volatile void* address, uint32_t value) { kalsim::writeAt(address, 32, value); }

// The driver's plain BAR loads and stores, routed here so that the
// simulated board sees them too.
uint64_t kalHook_memoryRead64(const volatile void* address) { return kalsim::readAt<uint64_t>(address, 64); }
void kalHook_memoryWrite64(volatile void* address, uint64_t value) { kalsim::writeAt(address, 64, value); }
uint32_t kalHook_memoryRead32(const volatile void* address) { return kalsim::readAt<uint32_t>(address, 32); }
void kalHook_memoryWrite32(volatile void* address, uint32_t value) { kalsim::writeAt(address, 32, value); }

}  // extern "C"
