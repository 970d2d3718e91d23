// State shared by the stand-in's source files.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "kal/include/kalStandIn.h"

namespace kalsim {
namespace detail {

// Disarms a "fail the Nth" knob when it fires; true when this call fails.
inline bool countDown(std::atomic<uint32_t>& knob) {
  uint32_t value = knob.load();
  while (value != 0) {
    if (knob.compare_exchange_weak(value, value - 1)) return value == 1;
  }
  return false;
}

void resetMemory();
void resetPrint();
void resetRegistration();
void resetSync();
void resetSyncLocks();
void resetThreads();
void resetUserCopy();
void resetTime();
void resetDma();
void resetReleases();
// Adds to the record of releases while a test has armed it.
void noteRelease(Release what);
// The layer code a user copy of the range would fail with (0 when none).
int32_t userRangeCode(const void* start, uint64_t size);
// The stand-in's fake IOMMU checks the device's accesses against this mask.
void noteDeviceDmaMask(uint64_t mask);

}  // namespace detail
}  // namespace kalsim
