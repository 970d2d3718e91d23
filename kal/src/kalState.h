// State shared by the stand-in's source files.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

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
void resetUserCopy();
void resetTime();

}  // namespace detail
}  // namespace kalsim
