// Time. The clock is virtual unless a test asks for the real one: sleeping
// advances it by the requested time and every counter read advances it by a
// small quantum, so a polling loop always ends and a long poll costs no real
// time. The real clock follows the machine's steady clock, for tests whose
// threads must really wait for each other.
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "kal/include/kalStandIn.h"
#include "kal/include/nKIVKAL.h"
#include "kal/src/kalState.h"

namespace kalsim {
namespace {

// Wall-clock seconds at virtual time 0 (a fixed day, so virtual runs repeat).
constexpr uint64_t kVirtualEpochSeconds = 1767225600;  // 2026-01-01 00:00:00 UTC

std::atomic<bool> gVirtual{true};
std::atomic<uint64_t> gVirtualNanoseconds{0};

std::mutex gSleepMutex;
// A fixed record: a sleep never allocates, and a long run cannot grow it.
int32_t gSleepRecord[kSleepRecordCapacity];
uint64_t gSleepCount = 0;

std::chrono::steady_clock::time_point realOrigin() {
  // The steady clock's own origin is arbitrary; counting from the first use
  // keeps the counters small, like a freshly booted machine's.
  static const std::chrono::steady_clock::time_point origin = std::chrono::steady_clock::now();
  return origin;
}

uint64_t realNanoseconds() {
  const auto since = std::chrono::steady_clock::now() - realOrigin();
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(since).count());
}

// One reading of the clock in nanoseconds; a virtual read moves time on.
uint64_t readNanoseconds() {
  if (!gVirtual.load()) return realNanoseconds();
  return gVirtualNanoseconds.fetch_add(kReadQuantumNanoseconds) + kReadQuantumNanoseconds;
}

}  // namespace

void useVirtualClock() { gVirtual = true; }
void useRealClock() {
  realOrigin();
  gVirtual = false;
}
bool isVirtualClock() { return gVirtual.load(); }
uint64_t virtualNanoseconds() { return gVirtualNanoseconds.load(); }
void advanceVirtualClock(uint64_t nanoseconds) { gVirtualNanoseconds.fetch_add(nanoseconds); }

std::vector<int32_t> sleepCalls() {
  std::lock_guard<std::mutex> lock(gSleepMutex);
  const size_t recorded = gSleepCount < kSleepRecordCapacity ? static_cast<size_t>(gSleepCount) : kSleepRecordCapacity;
  return std::vector<int32_t>(gSleepRecord, gSleepRecord + recorded);
}

uint64_t sleepCount() {
  std::lock_guard<std::mutex> lock(gSleepMutex);
  return gSleepCount;
}

void clearSleepCalls() {
  std::lock_guard<std::mutex> lock(gSleepMutex);
  gSleepCount = 0;
}

namespace detail {
void resetTime() {
  gVirtual = true;
  gVirtualNanoseconds = 0;
  clearSleepCalls();
}
}  // namespace detail
}  // namespace kalsim

extern "C" {

uint32_t nKIVKAL100_getTimerInterval(void) { return kalsim::kTickMicroseconds; }

uint64_t nKIVKAL110_getTimerCount(void) {
  return kalsim::readNanoseconds() / (uint64_t{kalsim::kTickMicroseconds} * 1000u);
}

uint64_t nKIVKAL1_getMonotonicCounter(void) { return kalsim::readNanoseconds(); }

void nKIVKAL100_getTimeOfDay(uint32_t* seconds, uint32_t* microseconds) {
  uint64_t totalMicroseconds;
  if (kalsim::isVirtualClock()) {
    totalMicroseconds = kalsim::kVirtualEpochSeconds * 1000000u + kalsim::virtualNanoseconds() / 1000u;
  } else {
    const auto since = std::chrono::system_clock::now().time_since_epoch();
    totalMicroseconds =
        static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(since).count());
  }
  if (seconds != nullptr) *seconds = static_cast<uint32_t>(totalMicroseconds / 1000000u);
  if (microseconds != nullptr) *microseconds = static_cast<uint32_t>(totalMicroseconds % 1000000u);
}

void nKIVKAL250_sleepTimeout(int32_t microseconds) {
  {
    std::lock_guard<std::mutex> lock(kalsim::gSleepMutex);
    if (kalsim::gSleepCount < kalsim::kSleepRecordCapacity) kalsim::gSleepRecord[kalsim::gSleepCount] = microseconds;
    ++kalsim::gSleepCount;
  }
  const uint64_t length = microseconds > 0 ? static_cast<uint64_t>(microseconds) : 0;
  if (kalsim::isVirtualClock()) {
    kalsim::advanceVirtualClock(length * 1000u);
  } else if (length == 0) {
    std::this_thread::yield();
  } else {
    std::this_thread::sleep_for(std::chrono::microseconds(length));
  }
}

}  // extern "C"
