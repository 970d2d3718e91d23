// User and kernel memory share one address space here; copies consult the
// registry of "bad" user ranges so tests can make any copy fail.
#include <cstring>
#include <mutex>
#include <vector>

#include "kal/include/kalStandIn.h"
#include "kal/include/nKIVKAL.h"
#include "kal/src/kalState.h"

namespace kalsim {
namespace {
struct BadRange {
  uintptr_t start;
  uint64_t size;
  int32_t code;
};
std::mutex gMutex;
std::vector<BadRange> gBad;
uint64_t gCopies = 0;
uint32_t gFailNth = 0;
int32_t gFailCode = 0;
// When set, the only user memory there is: like a kernel, copies from any
// other address fail instead of touching it.
uintptr_t gUserStart = 0;
uint64_t gUserSize = 0;

int32_t codeLocked(const void* user, uint64_t size) {
  const uintptr_t start = reinterpret_cast<uintptr_t>(user);
  if (size != 0 && start == 0) return -51009;
  if (gUserSize != 0 && size != 0 && (start < gUserStart || start - gUserStart > gUserSize ||
                                      size > gUserSize - (start - gUserStart))) {
    return -51009;
  }
  for (const BadRange& bad : gBad) {
    if (start < bad.start + bad.size && bad.start < start + size) return bad.code;
  }
  return 0;
}

int32_t check(const void* user, uint64_t size) {
  std::lock_guard<std::mutex> lock(gMutex);
  ++gCopies;
  if (gFailNth != 0 && --gFailNth == 0) return gFailCode;
  return codeLocked(user, size);
}
}  // namespace

void markUserRangeBad(const void* start, uint64_t size, int32_t code) {
  std::lock_guard<std::mutex> lock(gMutex);
  gBad.push_back({reinterpret_cast<uintptr_t>(start), size, code});
}
void clearBadUserRanges() {
  std::lock_guard<std::mutex> lock(gMutex);
  gBad.clear();
}
void confineUserMemoryTo(const void* start, uint64_t size) {
  std::lock_guard<std::mutex> lock(gMutex);
  gUserStart = reinterpret_cast<uintptr_t>(start);
  gUserSize = size;
}
void failUserCopy(uint32_t nth, int32_t code) {
  std::lock_guard<std::mutex> lock(gMutex);
  gFailNth = nth;
  gFailCode = code;
}
uint64_t userCopies() {
  std::lock_guard<std::mutex> lock(gMutex);
  return gCopies;
}

namespace detail {
int32_t userRangeCode(const void* start, uint64_t size) {
  std::lock_guard<std::mutex> lock(gMutex);
  return codeLocked(start, size);
}

void resetUserCopy() {
  std::lock_guard<std::mutex> lock(gMutex);
  gBad.clear();
  gCopies = 0;
  gFailNth = 0;
  gUserStart = 0;
  gUserSize = 0;
}
}  // namespace detail
}  // namespace kalsim

extern "C" {

int32_t nKIVKAL100_replicateInboundIOControlBuffer(void* kernelDestination, const void* userSource, uint64_t size) {
  const int32_t code = kalsim::check(userSource, size);
  if (code != 0) return code;
  if (size != 0) std::memcpy(kernelDestination, userSource, size);
  return 0;
}

int32_t nKIVKAL100_replicateOutboundIOControlBuffer(void* userDestination, const void* kernelSource, uint64_t size) {
  const int32_t code = kalsim::check(userDestination, size);
  if (code != 0) return code;
  if (size != 0) std::memcpy(userDestination, kernelSource, size);
  return 0;
}

}  // extern "C"
