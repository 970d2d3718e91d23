// User memory maps as the mmap callback receives them; map calls are recorded.
#include <memory>
#include <mutex>

#include "kal/include/kalPci.h"
#include "kal/include/kalStandIn.h"
#include "kal/include/nKIVKAL.h"
#include "kal/src/kalPciState.h"

namespace kalsim {
namespace {
struct UserMemMap {
  uint64_t size;
  void* address;
  uint32_t accessMode;
};
std::mutex gMutex;
std::vector<std::unique_ptr<UserMemMap>> gMaps;
std::vector<UserMemMapCall> gCalls;
int32_t gResult = 0;
}  // namespace

void* createUserMemMap(uint64_t size, void* address, uint32_t accessMode) {
  std::lock_guard<std::mutex> lock(gMutex);
  gMaps.emplace_back(new UserMemMap{size, address, accessMode});
  return gMaps.back().get();
}

std::vector<UserMemMapCall> userMemMapCalls() {
  std::lock_guard<std::mutex> lock(gMutex);
  return gCalls;
}

void setUserMemMapResult(int32_t code) {
  std::lock_guard<std::mutex> lock(gMutex);
  gResult = code;
}

namespace detail {
void resetUserMemMaps() {
  std::lock_guard<std::mutex> lock(gMutex);
  gMaps.clear();
  gCalls.clear();
  gResult = 0;
}
}  // namespace detail
}  // namespace kalsim

extern "C" {

uint64_t nKIVKAL220_tUserMemMap_getSize(void* userMemMap) {
  return static_cast<kalsim::UserMemMap*>(userMemMap)->size;
}

void* nKIVKAL220_tUserMemMap_getVirtualAddress(void* userMemMap) {
  return static_cast<kalsim::UserMemMap*>(userMemMap)->address;
}

uint32_t nKIVKAL220_tUserMemMap_getAccessMode(void* userMemMap) {
  return static_cast<kalsim::UserMemMap*>(userMemMap)->accessMode;
}

int32_t nKIVKAL220_tUserMemMap_mapPageList(void* userMemMap, void* pageList, uint64_t firstPage, uint64_t pageCount) {
  kalsim::HostAllocations hostAllocations;
  std::lock_guard<std::mutex> lock(kalsim::gMutex);
  kalsim::gCalls.push_back({userMemMap, false, pageList, firstPage, pageCount, 0});
  return kalsim::gResult;
}

int32_t nKIVKAL2280_tUserMemMap_mapPhysicalAddress(void* userMemMap, uint64_t offset, uint64_t physical,
                                                   uint32_t cached) {
  kalsim::HostAllocations hostAllocations;
  std::lock_guard<std::mutex> lock(kalsim::gMutex);
  kalsim::gCalls.push_back({userMemMap, true, nullptr, offset, physical, cached});
  return kalsim::gResult;
}

}  // extern "C"
