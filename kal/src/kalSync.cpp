// Spinlocks, kernel mutexes and thread identity. Spinlocks become plain
// mutual exclusion here: there are no interrupts to disable in user space.
#include <atomic>
#include <functional>
#include <mutex>
#include <new>

#include "kal/include/kalStandIn.h"
#include "kal/include/nKIVKAL.h"
#include "kal/src/kalState.h"

namespace kalsim {
namespace {
std::atomic<uint32_t> gFailMutexNth{0};
std::atomic<uint32_t> gFailSpinLockNth{0};
std::atomic<uint64_t> gLiveMutexes{0};
std::atomic<uint64_t> gMutexCreations{0};
std::atomic<uint64_t> gLiveSpinLocks{0};
std::atomic<uint32_t> gNextThreadId{1};
thread_local char tThreadIdentity;
thread_local uint32_t tThreadId = 0;

// A kernel mutex, with a count of the threads that found it held: a test
// sees a thread blocked on it without sleeping on a guess.
struct KernelMutex {
  std::mutex lock;
  std::atomic<uint32_t> waiters{0};
};
thread_local void* tLastAcquiredMutex = nullptr;

// The mutex hook: the handle is looked at on every acquire and release, the
// function copied under its own lock only for the hooked mutex.
std::atomic<const void*> gHookedMutex{nullptr};
std::mutex gMutexHookLock;
std::function<void(MutexPoint)> gMutexHook;

void runMutexHook(const void* mutex, MutexPoint point) {
  if (gHookedMutex.load(std::memory_order_acquire) != mutex) return;
  std::function<void(MutexPoint)> hook;
  {
    HostAllocations hostAllocations;
    std::lock_guard<std::mutex> lock(gMutexHookLock);
    if (gHookedMutex.load(std::memory_order_relaxed) != mutex) return;
    hook = gMutexHook;
  }
  if (hook) hook(point);
}
}  // namespace

void failMutexCreation(uint32_t nth) { gFailMutexNth = nth; }
void failSpinLockCreation(uint32_t nth) { gFailSpinLockNth = nth; }
uint64_t liveMutexes() { return gLiveMutexes.load(); }
uint64_t mutexCreations() { return gMutexCreations.load(); }
uint64_t liveSpinLocks() { return gLiveSpinLocks.load(); }

void* lastMutexAcquiredOnThisThread() { return tLastAcquiredMutex; }

void setMutexHook(const void* mutex, std::function<void(MutexPoint)> hook) {
  HostAllocations hostAllocations;
  std::lock_guard<std::mutex> lock(gMutexHookLock);
  const bool armed = mutex != nullptr && hook;
  gMutexHook = armed ? std::move(hook) : std::function<void(MutexPoint)>();
  gHookedMutex.store(armed ? mutex : nullptr, std::memory_order_release);
}

uint32_t mutexWaiters(const void* mutex) {
  return mutex != nullptr ? static_cast<const KernelMutex*>(mutex)->waiters.load() : 0;
}

namespace detail {
void resetSyncLocks() {
  gFailMutexNth = 0;
  gFailSpinLockNth = 0;
  gMutexCreations = 0;
  setMutexHook(nullptr, nullptr);
}
}  // namespace detail
}  // namespace kalsim

extern "C" {

void* nKIVKAL100_createSpinLock(void) {
  kalsim::HostAllocations hostAllocations;
  if (kalsim::detail::countDown(kalsim::gFailSpinLockNth)) return nullptr;
  // The process's operator new is the driver's, which answers null when the
  // layer's allocator is made to fail: a lock then fails like one that
  // could not be had.
  std::mutex* lock = new (std::nothrow) std::mutex;
  if (lock == nullptr) return nullptr;
  ++kalsim::gLiveSpinLocks;
  return lock;
}

void nKIVKAL100_destroySpinLock(void* spinLock) {
  if (spinLock == nullptr) return;
  kalsim::detail::noteRelease(kalsim::Release::kSpinLock);
  --kalsim::gLiveSpinLocks;
  delete static_cast<std::mutex*>(spinLock);
}

uint64_t nKIVKAL110_acquireSpinLockInterrupt(void* spinLock) {
  static_cast<std::mutex*>(spinLock)->lock();
  return 1;
}

void nKIVKAL110_releaseSpinLockInterrupt(void* spinLock, uint64_t) { static_cast<std::mutex*>(spinLock)->unlock(); }
void nKIVKAL100_acquireSpinLockDPC(void* spinLock) { static_cast<std::mutex*>(spinLock)->lock(); }
void nKIVKAL100_releaseSpinLockDPC(void* spinLock) { static_cast<std::mutex*>(spinLock)->unlock(); }

void* nKIVKAL150_createMutex(void) {
  kalsim::HostAllocations hostAllocations;
  ++kalsim::gMutexCreations;
  if (kalsim::detail::countDown(kalsim::gFailMutexNth)) return nullptr;
  kalsim::KernelMutex* mutex = new (std::nothrow) kalsim::KernelMutex;
  if (mutex == nullptr) return nullptr;
  ++kalsim::gLiveMutexes;
  return mutex;
}

void nKIVKAL150_destroyMutex(void* mutex) {
  if (mutex == nullptr) return;
  --kalsim::gLiveMutexes;
  delete static_cast<kalsim::KernelMutex*>(mutex);
}

int32_t nKIVKAL150_acquireMutex(void* mutex) {
  kalsim::KernelMutex* kernelMutex = static_cast<kalsim::KernelMutex*>(mutex);
  if (!kernelMutex->lock.try_lock()) {
    ++kernelMutex->waiters;
    kernelMutex->lock.lock();
    --kernelMutex->waiters;
  }
  kalsim::tLastAcquiredMutex = mutex;
  kalsim::runMutexHook(mutex, kalsim::MutexPoint::kAcquired);
  return 0;
}

void nKIVKAL150_releaseMutex(void* mutex) {
  static_cast<kalsim::KernelMutex*>(mutex)->lock.unlock();
  kalsim::runMutexHook(mutex, kalsim::MutexPoint::kReleased);
}

void* nKIVKAL100_getThreadHandle(void) { return &kalsim::tThreadIdentity; }

uint32_t nKIVKAL100_getThreadID(void) {
  if (kalsim::tThreadId == 0) kalsim::tThreadId = kalsim::gNextThreadId++;
  return kalsim::tThreadId;
}

}  // extern "C"
