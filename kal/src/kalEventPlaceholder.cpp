// Weak stand-ins for the layer's single-use events so the tree links and the
// device core's waits can run while the layer's own events are being written
// in kalEvent.cpp. Any strong definition there replaces these; delete this
// file once it exists. Waits poll a flag and timed waits count real
// milliseconds.
#include <atomic>
#include <chrono>
#include <mutex>
#include <new>
#include <set>
#include <thread>

#include "kal/include/kalStandIn.h"
#include "kal/include/nKIVKAL.h"

namespace {

std::mutex gInterruptMutex;
std::set<void*> gInterrupted;

bool takeInterrupt() {
  std::lock_guard<std::mutex> lock(gInterruptMutex);
  return gInterrupted.erase(nKIVKAL100_getThreadHandle()) != 0;
}

std::atomic<uint32_t>* flagOf(nKIVKAL_tSingleUseEvent* event) {
  return reinterpret_cast<std::atomic<uint32_t>*>(event->opaque);
}

void pause() { std::this_thread::sleep_for(std::chrono::microseconds(20)); }

int32_t waitFor(nKIVKAL_tSingleUseEvent* event, uint32_t timeout, const nKIVKAL_tTimeoutCallback* callback,
                bool interruptible) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout);
  bool expired = false;
  while (flagOf(event)->load() == 0) {
    if (interruptible && takeInterrupt()) return -1;
    if (!expired && callback != nullptr && std::chrono::steady_clock::now() >= deadline) {
      expired = true;
      // The callback releases the event when the waiter was still queued.
      if (callback->function != nullptr) callback->function(callback->context);
    }
    pause();
  }
  return 0;
}

}  // namespace

namespace kalsim {
__attribute__((weak)) void interruptThread(void* threadHandle) {
  std::lock_guard<std::mutex> lock(gInterruptMutex);
  gInterrupted.insert(threadHandle);
}
}  // namespace kalsim

extern "C" {

__attribute__((weak)) void nKIVKAL100_initializeSingleUseEvent(nKIVKAL_tSingleUseEvent* event) {
  new (event->opaque) std::atomic<uint32_t>(0);
}

__attribute__((weak)) void nKIVKAL100_releaseSingleUseEvent(nKIVKAL_tSingleUseEvent* event) { flagOf(event)->store(1); }

__attribute__((weak)) void nKIVKAL100_waitForSingleUseEvent(nKIVKAL_tSingleUseEvent* event) {
  waitFor(event, 0, nullptr, false);
}

__attribute__((weak)) int32_t nKIVKAL100_waitForSingleUseEventInterruptible(nKIVKAL_tSingleUseEvent* event) {
  return waitFor(event, 0, nullptr, true);
}

__attribute__((weak)) int32_t nKIVKAL100_waitForSingleUseEventTimeout(nKIVKAL_tSingleUseEvent* event, uint32_t timeout,
                                                                      const nKIVKAL_tTimeoutCallback* callback) {
  return waitFor(event, timeout, callback, false);
}

__attribute__((weak)) int32_t nKIVKAL100_waitForSingleUseEventTimeoutInterruptible(
    nKIVKAL_tSingleUseEvent* event, uint32_t timeout, const nKIVKAL_tTimeoutCallback* callback) {
  return waitFor(event, timeout, callback, true);
}

}  // extern "C"
