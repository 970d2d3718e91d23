#include <cstdlib>
#include <cstring>

#include "kal/include/kalStandIn.h"
#include "kal/include/nKIVKAL.h"
#include "kal/src/kalState.h"

namespace kalsim {
namespace {
thread_local uint32_t tFailNth = 0;
thread_local uint64_t tCalls = 0;
std::atomic<uint64_t> gLive{0};
thread_local uint64_t tLargest = 0;
}  // namespace

void refuseAllocationsAboveOnThisThread(uint64_t bytes) { tLargest = bytes; }

void failAllocationOnThisThread(uint32_t nth) { tFailNth = nth; }
uint64_t allocationCallsOnThisThread() { return tCalls; }
uint64_t liveAllocations() { return gLive.load(); }

namespace detail {
void resetMemory() {
  tFailNth = 0;
  tCalls = 0;
  tLargest = 0;
}
}  // namespace detail
}  // namespace kalsim

extern "C" {

// Over libc's allocator, never over operator new: the driver's operator new
// comes here.
void* nKIVKAL100_malloc(uint64_t size) {
  ++kalsim::tCalls;
  if (kalsim::tFailNth != 0) {
    if (--kalsim::tFailNth == 0) return nullptr;
  }
  if (kalsim::tLargest != 0 && size > kalsim::tLargest) return nullptr;
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block != nullptr) ++kalsim::gLive;
  return block;
}

void nKIVKAL100_free(void* block) {
  if (block == nullptr) return;
  --kalsim::gLive;
  std::free(block);
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
