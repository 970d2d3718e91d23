// DMA memory of the stand-in: page lists, scatter-gather lists and the fake
// IOMMU behind their bus addresses (kal/include/kalDma.h).
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <vector>

#include "kal/include/kalDma.h"
#include "kal/include/kalPci.h"
#include "kal/include/kalStandIn.h"
#include "kal/include/nKIVKAL.h"
#include "kal/src/kalState.h"

namespace kalsim {
namespace {

struct PageList {
  uint8_t* host;  // page-aligned
  uint64_t pages;
  uint32_t flags;
  bool allocated;  // else pinned user memory
  bool kernelView = false;
  uint32_t mappings = 0;  // scatter-gather lists mapping it now
};

struct Segment {
  uint64_t bus;
  uint64_t size;
};

struct Sgl {
  PciFunction* function = nullptr;
  uint64_t capacityPages = 0;
  PageList* mapped = nullptr;
  std::vector<Segment> segments;
  std::vector<uint64_t> busRuns;  // starts of this mapping's IOMMU runs
  size_t position = 0;
};

struct BusRun {
  uint64_t length;
  uint8_t* host;
};

std::mutex gMutex;
std::atomic<uint32_t> gFailAllocation{0};
std::atomic<uint32_t> gFailPinning{0};
std::atomic<uint32_t> gFailKernelView{0};
std::atomic<uint32_t> gFailSGL{0};
std::atomic<uint32_t> gFailMap{0};
int32_t gFailMapCode = -51202;
bool gFragment = false;
uint64_t gMaxSegment = kDefaultMaxSegmentSize;
std::atomic<uint64_t> gDeviceMask{~0ull};

uint64_t gLivePageLists = 0;
uint64_t gLiveSGLs = 0;
uint64_t gLiveKernelViews = 0;
uint64_t gPinnedUserPages = 0;
uint64_t gPrepares = 0;
uint64_t gCompletes = 0;
uint64_t gDestroyedWhileMapped = 0;
std::function<void()> gPrepareHook;
uint32_t gLastFlags = 0;
int32_t gLastNode = -1;
uint64_t gNextLow = kLowBusBase;
uint64_t gNextHigh = kHighBusBase;
std::map<uint64_t, BusRun> gRuns;
std::set<Sgl*> gSgls;

// Bus pages for `pages` pages, below 4 GiB when asked; the low range wraps
// when it runs out, far enough behind that old runs are long gone.
uint64_t takeBusPages(uint64_t pages, bool low) {
  const uint64_t bytes = pages * kDmaPageSize;
  if (!low) {
    const uint64_t bus = gNextHigh;
    gNextHigh += bytes;
    return bus;
  }
  if (gNextLow + bytes > 0x100000000ull) gNextLow = kLowBusBase;
  const uint64_t bus = gNextLow;
  gNextLow += bytes;
  return bus;
}

void unmapLocked(Sgl& sgl) {
  for (uint64_t start : sgl.busRuns) gRuns.erase(start);
  sgl.busRuns.clear();
  sgl.segments.clear();
  sgl.position = 0;
  if (sgl.mapped != nullptr) --sgl.mapped->mappings;
  sgl.mapped = nullptr;
}

// Appends [bus, bus + size) as segments no longer than the limit; pieces
// after the first start on a page boundary.
void addSegments(Sgl& sgl, uint64_t bus, uint64_t size) {
  const uint64_t limit = gMaxSegment & ~(kDmaPageSize - 1);
  while (size != 0) {
    uint64_t piece = size < limit ? size : limit;
    const uint64_t inPage = bus & (kDmaPageSize - 1);
    if (piece < size && inPage != 0) piece -= inPage;
    sgl.segments.push_back({bus, piece});
    bus += piece;
    size -= piece;
  }
}

bool userRangeIsBad(const void* start, uint64_t size) {
  return detail::userRangeCode(start, size) != 0;
}

}  // namespace

void failPageListAllocation(uint32_t nth) { gFailAllocation = nth; }
void failUserPinning(uint32_t nth) { gFailPinning = nth; }
void failKernelViewOfPageList(uint32_t nth) { gFailKernelView = nth; }
void failSGLCreation(uint32_t nth) { gFailSGL = nth; }
void failSGLMap(uint32_t nth, int32_t code) {
  std::lock_guard<std::mutex> lock(gMutex);
  gFailMapCode = code;
  gFailMap = nth;
}
void fragmentUserBuffers(bool fragment) {
  std::lock_guard<std::mutex> lock(gMutex);
  gFragment = fragment;
}
void onPrepareForDMA(std::function<void()> hook) {
  std::lock_guard<std::mutex> lock(gMutex);
  gPrepareHook = std::move(hook);
}
void setMaxSegmentSize(uint64_t bytes) {
  std::lock_guard<std::mutex> lock(gMutex);
  gMaxSegment = bytes < kDmaPageSize ? kDmaPageSize : bytes;
}

#define KALDMA_READ(name, variable)            \
  uint64_t name() {                            \
    std::lock_guard<std::mutex> lock(gMutex);  \
    return variable;                           \
  }
KALDMA_READ(livePageLists, gLivePageLists)
KALDMA_READ(liveSGLs, gLiveSGLs)
KALDMA_READ(liveKernelViews, gLiveKernelViews)
KALDMA_READ(livePinnedUserPages, gPinnedUserPages)
KALDMA_READ(liveBusMappings, gRuns.size())
KALDMA_READ(prepareForDMACalls, gPrepares)
KALDMA_READ(completeDMACalls, gCompletes)
KALDMA_READ(pageListsDestroyedWhileMapped, gDestroyedWhileMapped)
#undef KALDMA_READ

uint32_t lastAllocationFlags() {
  std::lock_guard<std::mutex> lock(gMutex);
  return gLastFlags;
}
int32_t lastAllocationNode() {
  std::lock_guard<std::mutex> lock(gMutex);
  return gLastNode;
}

void* translate(uint64_t bus, uint64_t length) {
  if (length == 0 || bus + length < bus) return nullptr;
  if (bus + length - 1 > gDeviceMask.load()) return nullptr;
  std::lock_guard<std::mutex> lock(gMutex);
  auto run = gRuns.upper_bound(bus);
  if (run == gRuns.begin()) return nullptr;
  --run;
  const uint64_t offset = bus - run->first;
  if (offset >= run->second.length || length > run->second.length - offset) return nullptr;
  return run->second.host + offset;
}

uint64_t deviceDmaMask() { return gDeviceMask.load(); }

namespace detail {
void noteDeviceDmaMask(uint64_t mask) { gDeviceMask = mask; }

void resetDma() {
  std::lock_guard<std::mutex> lock(gMutex);
  gFailAllocation = 0;
  gFailPinning = 0;
  gFailKernelView = 0;
  gFailSGL = 0;
  gFailMap = 0;
  gFailMapCode = -51202;
  gFragment = false;
  gMaxSegment = kDefaultMaxSegmentSize;
  gDeviceMask = ~0ull;
  gPrepares = 0;
  gCompletes = 0;
  gDestroyedWhileMapped = 0;
  gPrepareHook = nullptr;
  gLastFlags = 0;
  gLastNode = -1;
  // Live objects and bus runs stay: they belong to whoever made them, and
  // bus addresses are never handed out twice.
}
}  // namespace detail
}  // namespace kalsim

using kalsim::PageList;
using kalsim::Sgl;

extern "C" {

void* nKIVKAL220_tPageList_createFromAllocation(uint64_t pages, uint32_t flags) {
  return nKIVKAL1_tPageList_createFromAllocationNUMA(pages, flags, -1);
}

void* nKIVKAL1_tPageList_createFromAllocationNUMA(uint64_t pages, uint32_t flags, int32_t node) {
  kalsim::HostAllocations hostAllocations;
  if (pages == 0 || pages > (1ull << 40) / kalsim::kDmaPageSize) return nullptr;
  if (kalsim::detail::countDown(kalsim::gFailAllocation)) return nullptr;
  void* host = nullptr;
  if (posix_memalign(&host, kalsim::kDmaPageSize, pages * kalsim::kDmaPageSize) != 0) return nullptr;
  std::memset(host, 0, pages * kalsim::kDmaPageSize);
  std::lock_guard<std::mutex> lock(kalsim::gMutex);
  ++kalsim::gLivePageLists;
  kalsim::gLastFlags = flags;
  kalsim::gLastNode = node;
  return new PageList{static_cast<uint8_t*>(host), pages, flags, true};
}

void* nKIVKAL220_tPageList_createFromUser(void* pageAlignedAddress, uint64_t pages, uint32_t flags,
                                          uint64_t byteCount, uint64_t offset) {
  kalsim::HostAllocations hostAllocations;
  const uintptr_t start = reinterpret_cast<uintptr_t>(pageAlignedAddress);
  if (start == 0 || (start & (kalsim::kDmaPageSize - 1)) != 0 || pages == 0 || byteCount == 0) return nullptr;
  if (offset >= kalsim::kDmaPageSize || pages > ~0ull / kalsim::kDmaPageSize ||
      (offset + byteCount + kalsim::kDmaPageSize - 1) / kalsim::kDmaPageSize > pages) {
    return nullptr;
  }
  if (kalsim::userRangeIsBad(static_cast<uint8_t*>(pageAlignedAddress) + offset, byteCount)) return nullptr;
  if (kalsim::detail::countDown(kalsim::gFailPinning)) return nullptr;
  std::lock_guard<std::mutex> lock(kalsim::gMutex);
  ++kalsim::gLivePageLists;
  kalsim::gPinnedUserPages += pages;
  return new PageList{static_cast<uint8_t*>(pageAlignedAddress), pages, flags, false};
}

void nKIVKAL220_tPageList_destroy(void* pageList) {
  if (pageList == nullptr) return;
  PageList* list = static_cast<PageList*>(pageList);
  {
    std::lock_guard<std::mutex> lock(kalsim::gMutex);
    --kalsim::gLivePageLists;
    if (list->mappings != 0) {
      // The device loses the pages with the list: its bus runs go too.
      ++kalsim::gDestroyedWhileMapped;
      for (Sgl* sgl : kalsim::gSgls) {
        if (sgl->mapped == list) kalsim::unmapLocked(*sgl);
      }
    }
    if (list->kernelView) --kalsim::gLiveKernelViews;
    if (!list->allocated) kalsim::gPinnedUserPages -= list->pages;
  }
  if (list->allocated) std::free(list->host);
  delete list;
}

void* nKIVKAL220_tPageList_mapToKernel(void* pageList) {
  PageList* list = static_cast<PageList*>(pageList);
  if (list == nullptr || kalsim::detail::countDown(kalsim::gFailKernelView)) return nullptr;
  std::lock_guard<std::mutex> lock(kalsim::gMutex);
  if (!list->kernelView) ++kalsim::gLiveKernelViews;
  list->kernelView = true;
  return list->host;
}

void nKIVKAL220_tPageList_unmapFromKernel(void* pageList) {
  PageList* list = static_cast<PageList*>(pageList);
  if (list == nullptr) return;
  std::lock_guard<std::mutex> lock(kalsim::gMutex);
  if (list->kernelView) --kalsim::gLiveKernelViews;
  list->kernelView = false;
}

void* nKIVKAL220_tSGL_createForPCI(void* pciFunction, uint64_t capacityPages) {
  kalsim::HostAllocations hostAllocations;
  if (capacityPages == 0 || kalsim::detail::countDown(kalsim::gFailSGL)) return nullptr;
  std::lock_guard<std::mutex> lock(kalsim::gMutex);
  ++kalsim::gLiveSGLs;
  Sgl* sgl = new Sgl();
  sgl->function = static_cast<kalsim::PciFunction*>(pciFunction);
  sgl->capacityPages = capacityPages;
  kalsim::gSgls.insert(sgl);
  return sgl;
}

void nKIVKAL220_tSGL_destroy(void* sgl) {
  if (sgl == nullptr) return;
  Sgl* list = static_cast<Sgl*>(sgl);
  {
    std::lock_guard<std::mutex> lock(kalsim::gMutex);
    kalsim::unmapLocked(*list);
    kalsim::gSgls.erase(list);
    --kalsim::gLiveSGLs;
  }
  delete list;
}

int32_t nKIVKAL220_tSGL_map(void* sgl, void* pageList, uint64_t offset, uint64_t size, uint32_t fromDevice) {
  kalsim::HostAllocations hostAllocations;
  using kalsim::kDmaPageSize;
  Sgl* list = static_cast<Sgl*>(sgl);
  PageList* pages = static_cast<PageList*>(pageList);
  if (list == nullptr || pages == nullptr || size == 0 || fromDevice > 1) return -51009;
  const uint64_t bytes = pages->pages * kDmaPageSize;
  if (offset >= bytes || size > bytes - offset) return -51009;
  const uint64_t firstPage = offset / kDmaPageSize;
  const uint64_t pageCount = (offset % kDmaPageSize + size + kDmaPageSize - 1) / kDmaPageSize;
  if (pageCount > list->capacityPages) return -51009;
  std::lock_guard<std::mutex> lock(kalsim::gMutex);
  if (kalsim::detail::countDown(kalsim::gFailMap)) return kalsim::gFailMapCode;
  kalsim::unmapLocked(*list);
  const uint64_t functionMask = list->function == nullptr ? ~0ull : list->function->dmaMask();
  const bool low = (functionMask != 0 && functionMask <= 0xFFFFFFFFull) || (pages->flags & 2u) != 0;
  uint8_t* const host = pages->host + firstPage * kDmaPageSize;
  const uint64_t inPage = offset % kDmaPageSize;
  if (kalsim::gFragment && !pages->allocated) {
    // One bus page per page with an unmapped page after each.
    for (uint64_t page = 0; page < pageCount; ++page) {
      const uint64_t bus = kalsim::takeBusPages(2, low);
      kalsim::gRuns[bus] = {kDmaPageSize, host + page * kDmaPageSize};
      list->busRuns.push_back(bus);
      const uint64_t from = page == 0 ? inPage : 0;
      const uint64_t end = page + 1 == pageCount ? (inPage + size - 1) % kDmaPageSize + 1 : kDmaPageSize;
      kalsim::addSegments(*list, bus + from, end - from);
    }
  } else {
    const uint64_t bus = kalsim::takeBusPages(pageCount, low);
    kalsim::gRuns[bus] = {pageCount * kDmaPageSize, host};
    list->busRuns.push_back(bus);
    kalsim::addSegments(*list, bus + inPage, size);
  }
  list->mapped = pages;
  ++pages->mappings;
  return 0;
}

void nKIVKAL220_tSGL_unmap(void* sgl) {
  if (sgl == nullptr) return;
  std::lock_guard<std::mutex> lock(kalsim::gMutex);
  kalsim::unmapLocked(*static_cast<Sgl*>(sgl));
}

void nKIVKAL220_tSGL_prepareForDMA(void* sgl) {
  if (sgl == nullptr) return;
  std::atomic_thread_fence(std::memory_order_seq_cst);
  kalsim::HostAllocations hostAllocations;
  std::function<void()> hook;
  {
    std::lock_guard<std::mutex> lock(kalsim::gMutex);
    ++kalsim::gPrepares;
    hook = kalsim::gPrepareHook;
  }
  if (hook) hook();
}

void nKIVKAL220_tSGL_completeDMA(void* sgl, uint64_t) {
  if (sgl == nullptr) return;
  std::lock_guard<std::mutex> lock(kalsim::gMutex);
  ++kalsim::gCompletes;
}

// The walk belongs to the list's owner: no lock.
void nKIVKAL220_tSGL_iterate(void* sgl) { static_cast<Sgl*>(sgl)->position = 0; }

uint32_t nKIVKAL220_tSGL_numSegments(void* sgl) {
  return static_cast<uint32_t>(static_cast<Sgl*>(sgl)->segments.size());
}

void nKIVKAL220_tSGL_nextSegment(void* sgl) {
  Sgl* list = static_cast<Sgl*>(sgl);
  if (list->position < list->segments.size()) ++list->position;
}

uint64_t nKIVKAL220_tSGL_getSegmentAddress(void* sgl) {
  const Sgl* list = static_cast<Sgl*>(sgl);
  return list->position < list->segments.size() ? list->segments[list->position].bus : 0;
}

uint64_t nKIVKAL220_tSGL_getSegmentSize(void* sgl) {
  const Sgl* list = static_cast<Sgl*>(sgl);
  return list->position < list->segments.size() ? list->segments[list->position].size : 0;
}

}  // extern "C"
