// Single-use events and signals. An event lives in the caller's storage (on a
// waiting thread's stack, typically) and is waited on by one thread at most.
// A signal for a thread is a flag that makes its current or next
// interruptible wait return nKIVKAL_WAIT_INTERRUPTED; the wait that reports
// it consumes it.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <new>
#include <unordered_map>
#include <utility>

#include "kal/include/kalStandIn.h"
#include "kal/include/nKIVKAL.h"
#include "kal/src/kalState.h"

namespace kalsim {
namespace {

struct EventState {
  std::mutex mutex;
  std::condition_variable wake;
  bool released = false;
};
static_assert(sizeof(EventState) <= sizeof(nKIVKAL_tSingleUseEvent), "event state fits the layer's storage");
static_assert(alignof(EventState) <= alignof(nKIVKAL_tSingleUseEvent), "event storage is aligned enough");

struct ThreadSignal {
  std::atomic<bool> pending{false};
  // The event this thread waits on interruptibly, or null.
  EventState* waitingOn = nullptr;
};

// Lock order: gSignalMutex, then an event's mutex. A waiter registers and
// unregisters its event under gSignalMutex, so a signal never touches an
// event whose wait has returned. Map nodes never move or go away, so a
// waiter may read its own flag without gSignalMutex.
std::mutex gSignalMutex;
std::unordered_map<void*, ThreadSignal> gSignals;

std::mutex gHookMutex;
std::function<void(WaitPoint)> gWaitHook;

void runWaitHook(WaitPoint point) {
  std::function<void(WaitPoint)> hook;
  {
    std::lock_guard<std::mutex> lock(gHookMutex);
    hook = gWaitHook;
  }
  if (hook) hook(point);
}

int32_t interrupted() {
  runWaitHook(WaitPoint::kBeforeInterruptedReturn);
  return nKIVKAL_WAIT_INTERRUPTED;
}

EventState* stateOf(nKIVKAL_tSingleUseEvent* event) {
  return std::launder(reinterpret_cast<EventState*>(event->opaque));
}

// The calling thread's signal flag for the duration of one wait; a wait that
// is not interruptible has none.
class SignalScope {
 public:
  SignalScope(EventState* state, bool interruptible) : signal_(nullptr) {
    if (!interruptible) return;
    // A thread's first interruptible wait adds its flag: the layer's memory,
    // never counted as the driver's.
    HostAllocations hostAllocations;
    std::lock_guard<std::mutex> lock(gSignalMutex);
    signal_ = &gSignals[nKIVKAL100_getThreadHandle()];
    signal_->waitingOn = state;
  }
  ~SignalScope() {
    if (signal_ == nullptr) return;
    std::lock_guard<std::mutex> lock(gSignalMutex);
    signal_->waitingOn = nullptr;
  }
  SignalScope(const SignalScope&) = delete;
  SignalScope& operator=(const SignalScope&) = delete;

  // Consumes a pending signal: the wait that reports it is the one it ends.
  bool takeSignal() { return signal_ != nullptr && signal_->pending.exchange(false); }

 private:
  ThreadSignal* signal_;
};

enum class Outcome { kReleased, kInterrupted, kTimedOut };

// Waits until the event is released, the thread is signalled (when
// interruptible) or the deadline passes (when one is given). A release wins
// over a signal that is pending at the same time; the signal then stays
// pending for the thread's next interruptible wait.
Outcome waitOn(EventState* state, SignalScope& scope, const std::chrono::steady_clock::time_point* deadline) {
  std::unique_lock<std::mutex> lock(state->mutex);
  for (;;) {
    if (state->released) return Outcome::kReleased;
    if (scope.takeSignal()) return Outcome::kInterrupted;
    if (deadline == nullptr) {
      state->wake.wait(lock);
    } else if (state->wake.wait_until(lock, *deadline) == std::cv_status::timeout) {
      if (state->released) return Outcome::kReleased;
      if (scope.takeSignal()) return Outcome::kInterrupted;
      return Outcome::kTimedOut;
    }
  }
}

int32_t waitTimed(nKIVKAL_tSingleUseEvent* event, uint32_t timeoutMilliseconds,
                  const nKIVKAL_tTimeoutCallback* callback, bool interruptible) {
  EventState* state = stateOf(event);
  SignalScope scope(state, interruptible);
  Outcome outcome;
  if (isVirtualClock()) {
    // Virtual time passes only when someone moves it: a wait that is not
    // satisfied at once lasts exactly its time-out.
    {
      std::lock_guard<std::mutex> lock(state->mutex);
      if (state->released) return 0;
    }
    if (scope.takeSignal()) return interrupted();
    advanceVirtualClock(uint64_t{timeoutMilliseconds} * 1000000u);
    outcome = Outcome::kTimedOut;
  } else {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMilliseconds);
    outcome = waitOn(state, scope, &deadline);
  }
  if (outcome == Outcome::kReleased) return 0;
  if (outcome == Outcome::kInterrupted) return interrupted();
  // Expired: the callback runs on the waiting thread before the wait returns,
  // so it can never run after it. It releases the event unless a releaser
  // already owns the waiter; either way the event is released shortly.
  runWaitHook(WaitPoint::kBeforeTimeoutCallback);
  if (callback != nullptr && callback->function != nullptr) callback->function(callback->context);
  runWaitHook(WaitPoint::kAfterTimeoutCallback);
  return waitOn(state, scope, nullptr) == Outcome::kInterrupted ? interrupted() : 0;
}

}  // namespace

void setWaitHook(std::function<void(WaitPoint)> hook) {
  std::lock_guard<std::mutex> lock(gHookMutex);
  gWaitHook = std::move(hook);
}

void interruptThread(void* threadHandle) {
  HostAllocations hostAllocations;
  std::lock_guard<std::mutex> lock(gSignalMutex);
  ThreadSignal& signal = gSignals[threadHandle];
  signal.pending = true;
  if (signal.waitingOn != nullptr) {
    std::lock_guard<std::mutex> eventLock(signal.waitingOn->mutex);
    signal.waitingOn->wake.notify_all();
  }
}

uint32_t interruptibleWaiters() {
  std::lock_guard<std::mutex> lock(gSignalMutex);
  uint32_t waiting = 0;
  for (const auto& entry : gSignals) waiting += entry.second.waitingOn != nullptr ? 1 : 0;
  return waiting;
}

namespace detail {
void resetSync() {
  setWaitHook(nullptr);
  std::lock_guard<std::mutex> lock(gSignalMutex);
  for (auto& entry : gSignals) entry.second.pending = false;
}
}  // namespace detail
}  // namespace kalsim

extern "C" {

void nKIVKAL100_initializeSingleUseEvent(nKIVKAL_tSingleUseEvent* event) {
  kalsim::HostAllocations hostAllocations;
  // The storage may hold an earlier, finished event: its mutex and condition
  // variable own no resources once no thread uses them.
  new (event->opaque) kalsim::EventState();
}

void nKIVKAL100_releaseSingleUseEvent(nKIVKAL_tSingleUseEvent* event) {
  kalsim::EventState* state = kalsim::stateOf(event);
  std::lock_guard<std::mutex> lock(state->mutex);
  state->released = true;
  state->wake.notify_all();
}

void nKIVKAL100_waitForSingleUseEvent(nKIVKAL_tSingleUseEvent* event) {
  kalsim::EventState* state = kalsim::stateOf(event);
  kalsim::SignalScope scope(state, false);
  kalsim::waitOn(state, scope, nullptr);
}

int32_t nKIVKAL100_waitForSingleUseEventInterruptible(nKIVKAL_tSingleUseEvent* event) {
  kalsim::EventState* state = kalsim::stateOf(event);
  kalsim::SignalScope scope(state, true);
  return kalsim::waitOn(state, scope, nullptr) == kalsim::Outcome::kInterrupted ? kalsim::interrupted() : 0;
}

int32_t nKIVKAL100_waitForSingleUseEventTimeout(nKIVKAL_tSingleUseEvent* event, uint32_t timeout,
                                                const nKIVKAL_tTimeoutCallback* callback) {
  return kalsim::waitTimed(event, timeout, callback, false);
}

int32_t nKIVKAL100_waitForSingleUseEventTimeoutInterruptible(nKIVKAL_tSingleUseEvent* event,
                                                             uint32_t timeout,
                                                             const nKIVKAL_tTimeoutCallback* callback) {
  return kalsim::waitTimed(event, timeout, callback, true);
}

}  // extern "C"
