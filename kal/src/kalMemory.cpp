#include <cstdlib>
#include <cstring>

#include "kal/include/kalStandIn.h"
#include "kal/include/nKIVKAL.h"
#include "kal/src/kalState.h"

namespace kalsim {
namespace {
thread_local uint32_t tFailNth = 0;
thread_local uint64_t tCalls = 0;
thread_local uint64_t tAllCalls = 0;
std::atomic<uint64_t> gLive{0};
std::atomic<uint64_t> gLiveDriver{0};
thread_local uint64_t tLargest = 0;
thread_local uint64_t tLargestAsked = 0;

// Each block carries a header saying whose it is, so that a free knows
// whether it ends one of the driver's allocations. 16 bytes keep the
// alignment malloc gives.
struct alignas(16) Header {
  uint64_t driver;
};
static_assert(sizeof(Header) == 16, "the header keeps malloc's alignment");
}  // namespace

void refuseAllocationsAboveOnThisThread(uint64_t bytes) { tLargest = bytes; }

uint64_t largestAllocationOnThisThread() { return tLargestAsked; }
void resetLargestAllocationOnThisThread() { tLargestAsked = 0; }

void failAllocationOnThisThread(uint32_t nth) { tFailNth = nth; }
uint64_t allocationCallsOnThisThread() { return tCalls; }
uint64_t liveAllocations() { return gLive.load(); }
uint64_t liveDriverAllocations() { return gLiveDriver.load(); }
uint64_t allAllocationCallsOnThisThread() { return tAllCalls; }

namespace detail {
thread_local uint32_t tHostDepth = 0;

void resetMemory() {
  tFailNth = 0;
  tCalls = 0;
  tLargest = 0;
  tLargestAsked = 0;
}
}  // namespace detail
}  // namespace kalsim

extern "C" {

// Over libc's allocator, never over operator new: the driver's operator new
// comes here.
void* nKIVKAL100_malloc(uint64_t size) {
  const bool driver = kalsim::detail::tHostDepth == 0;
  ++kalsim::tAllCalls;
  if (driver) {
    ++kalsim::tCalls;
    if (size > kalsim::tLargestAsked) kalsim::tLargestAsked = size;
    if (kalsim::tFailNth != 0 && --kalsim::tFailNth == 0) return nullptr;
    if (kalsim::tLargest != 0 && size > kalsim::tLargest) return nullptr;
  }
  auto* header = static_cast<kalsim::Header*>(std::malloc(sizeof(kalsim::Header) + size));
  if (header == nullptr) return nullptr;
  header->driver = driver;
  ++kalsim::gLive;
  if (driver) ++kalsim::gLiveDriver;
  return header + 1;
}

void nKIVKAL100_free(void* block) {
  if (block == nullptr) return;
  kalsim::Header* header = static_cast<kalsim::Header*>(block) - 1;
  --kalsim::gLive;
  if (header->driver != 0) --kalsim::gLiveDriver;
  std::free(header);
}

void* nKIVKAL180_memCpy(void* destination, const void* source, uint64_t size) {
  return std::memcpy(destination, source, size);
}
void* nKIVKAL180_memMove(void* destination, const void* source, uint64_t size) {
  return std::memmove(destination, source, size);
}
void* nKIVKAL240_memSet(void* destination, int32_t value, uint64_t size) {
  return std::memset(destination, value, size);
}
uint64_t nKIVKAL100_getPageSize(void) { return 4096; }

}  // extern "C"
