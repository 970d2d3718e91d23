#include "kal/include/kalMmio.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "kal/include/nKIVKAL.h"

namespace kalsim {
namespace {

struct Range {
  uint64_t size;
  std::shared_ptr<const MmioHandler> handler;
};

std::mutex gMutex;
// Keyed by base address; lookups find the last range starting at or below.
std::map<uintptr_t, Range>& ranges() {
  static std::map<uintptr_t, Range> table;
  return table;
}

// The handler of the range holding the address, or null for plain memory.
std::shared_ptr<const MmioHandler> find(const volatile void* address, uint64_t& offset) {
  const uintptr_t at = reinterpret_cast<uintptr_t>(address);
  std::lock_guard<std::mutex> lock(gMutex);
  auto it = ranges().upper_bound(at);
  if (it == ranges().begin()) return nullptr;
  --it;
  if (at - it->first >= it->second.size) return nullptr;
  offset = at - it->first;
  return it->second.handler;
}

template <class T>
T readAt(const volatile void* address, uint32_t width) {
  uint64_t offset = 0;
  if (auto handler = find(address, offset)) return static_cast<T>(handler->read(offset, width));
  return *static_cast<const volatile T*>(address);
}

template <class T>
void writeAt(volatile void* address, uint32_t width, T value) {
  uint64_t offset = 0;
  if (auto handler = find(address, offset)) {
    handler->write(offset, width, value);
    return;
  }
  *static_cast<volatile T*>(address) = value;
}

}  // namespace

void registerMmioRange(void* base, uint64_t size, MmioHandler handler) {
  const uintptr_t start = reinterpret_cast<uintptr_t>(base);
  std::lock_guard<std::mutex> lock(gMutex);
  for (const auto& [other, range] : ranges()) {
    if (start < other + range.size && other < start + size) {
      std::fprintf(stderr, "kalsim: MMIO range %p+%#llx overlaps another\n", base,
                   static_cast<unsigned long long>(size));
      std::abort();
    }
  }
  ranges()[start] = Range{size, std::make_shared<const MmioHandler>(std::move(handler))};
}

void unregisterMmioRange(void* base) {
  std::lock_guard<std::mutex> lock(gMutex);
  ranges().erase(reinterpret_cast<uintptr_t>(base));
}

}  // namespace kalsim

extern "C" {

uint8_t nKIVKAL100_memoryRead8(const volatile void* address) { return kalsim::readAt<uint8_t>(address, 8); }
uint16_t nKIVKAL100_memoryRead16(const volatile void* address) { return kalsim::readAt<uint16_t>(address, 16); }
uint32_t nKIVKAL100_memoryRead32(const volatile void* address) { return kalsim::readAt<uint32_t>(address, 32); }
void nKIVKAL100_memoryWrite8(volatile void* address, uint8_t value) { kalsim::writeAt(address, 8, value); }
void nKIVKAL100_memoryWrite16(volatile void* address, uint16_t value) { kalsim::writeAt(address, 16, value); }
void nKIVKAL100_memoryWrite32(volatile void* address, uint32_t value) { kalsim::writeAt(address, 32, value); }

// The driver's plain 64-bit BAR loads and stores, routed here so that the
// simulated board sees them too.
uint64_t kalHook_memoryRead64(const volatile void* address) { return kalsim::readAt<uint64_t>(address, 64); }
void kalHook_memoryWrite64(volatile void* address, uint64_t value) { kalsim::writeAt(address, 64, value); }

}  // extern "C"
