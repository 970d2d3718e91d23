#include "dma/interrupt/TarnDMAInterruptController.h"

#include "kal/include/nKIVKAL.h"
#include "platform/status/statusCodes.h"

namespace tarntools {

using vorlan_driver::nKIVAPAL000::tAutoLock;
using vorlan_driver::nKIVAPAL000::tSemaphore;
namespace statusCodes = vorlan_driver::statusCodes;

namespace {
constexpr uint32_t kTeardownMilliseconds = 100;
constexpr int32_t kTeardownSleepMicroseconds = 1000;

uint64_t nowMicroseconds() { return nKIVKAL110_getTimerCount() * nKIVKAL100_getTimerInterval(); }
}  // namespace

TarnDMAInterruptController::TarnDMAInterruptController(iInterruptNotifierRegistry& registry,
                                                       nKIVAPALS100::tStatus& status)
    : registry_(registry),
      waiterMutex_(status),
      statusMutex_(status),
      registered_(),
      unregistered_(nullptr),
      releasedWith_(0),
      constructionClean_(false) {
  if (status.isNotFatal() && (!waiterMutex_.isCreated() || !statusMutex_.isCreated())) {
    vorlanSetCode(status, statusCodes::kOutOfMemory);
  }
  constructionClean_ = status.isNotFatal();
}

TarnDMAInterruptController::~TarnDMAInterruptController() {
  if (!constructionClean_) return;
  signalAll(static_cast<int32_t>(statusCodes::kValueOutOfRange));
  const uint64_t start = nowMicroseconds();
  bool told = false;
  // Nothing a waiter still uses may go away under it: past the 100 ms,
  // keep waiting and say so once.
  while (hasWaiters()) {
    if (!told && nowMicroseconds() - start >= uint64_t{kTeardownMilliseconds} * 1000) {
      nKIVKAL100_printToDebugger("DMA interrupt controller: a waiter outlives the teardown; waiting for it\n");
      told = true;
    }
    nKIVKAL250_sleepTimeout(kTeardownSleepMicroseconds);
  }
  // The worker may still be inside signal() on a notifier just removed.
  while (registry_.isRunningWork()) nKIVKAL250_sleepTimeout(kTeardownSleepMicroseconds);
}

bool TarnDMAInterruptController::hasWaiters() {
  tAutoLock lock(waiterMutex_);
  if (unregistered_ != nullptr) return true;
  for (const tWait* wait : registered_) {
    if (wait != nullptr) return true;
  }
  return false;
}

bool TarnDMAInterruptController::registerWaiter(DMAStreamInterface& stream, uint32_t channel, uint64_t threshold,
                                                tWait& wait, nKIVAPALS100::tStatus& status) {
  tAutoLock lock(waiterMutex_);
  if (releasedWith_ != 0) {
    // The DMA side is going: listed only so that the teardown waits for it,
    // and woken at once.
    wait.next = unregistered_;
    unregistered_ = &wait;
    post(wait, releasedWith_);
    return false;
  }
  if (registered_[channel] != nullptr) {
    // The registered wait keeps its threshold, notifier and wakes; this one
    // is only listed, so that a reset or the teardown still reaches it.
    wait.next = unregistered_;
    unregistered_ = &wait;
    return false;
  }
  registered_[channel] = &wait;
  stream.setThreshold(threshold, status);
  if (status.isNotFatal()) stream.enableThresholdInterrupt();
  registry_.addNotifier(this, channel, status);
  return true;
}

void TarnDMAInterruptController::unregisterWaiter(DMAStreamInterface& stream, uint32_t channel, tWait& wait,
                                                  bool registered) {
  tAutoLock lock(waiterMutex_);
  if (!registered) {
    // What the channel's registered wait set up stays as it is.
    tWait** link = &unregistered_;
    while (*link != &wait) link = &(*link)->next;
    *link = wait.next;
    return;
  }
  registered_[channel] = nullptr;
  stream.disableThresholdInterrupt();
  registry_.removeNotifier(channel);
}

void TarnDMAInterruptController::post(tWait& wait, int32_t code) {
  {
    tAutoLock statusLock(statusMutex_);
    if (wait.posted == 0) wait.posted = code;
  }
  wait.semaphore->release();
}

int32_t TarnDMAInterruptController::takePosted(tWait& wait) {
  tAutoLock lock(statusMutex_);
  const int32_t code = wait.posted;
  wait.posted = 0;
  return code;
}

void TarnDMAInterruptController::waitForDMA(DMAStreamInterface& stream, uint32_t channel, uint64_t baseCount,
                                            uint64_t byteCount, uint32_t timeout, bool& timedOut,
                                            nKIVAPALS100::tStatus& status) {
  timedOut = false;
  if (status.isFatal()) return;
  if (!constructionClean_ || channel >= kChannels) {
    vorlanSetCode(status, statusCodes::kInvalidArgument);
    return;
  }
  tSemaphore semaphore(0, status);
  // A semaphore without its lock must never be listed: a notification or a
  // reset would release it.
  if (status.isFatal()) return;
  tWait wait{&semaphore, 0, nullptr};
  const bool registered = registerWaiter(stream, channel, baseCount + byteCount, wait, status);
  const uint64_t start = nowMicroseconds();
  uint64_t remaining = timeout;
  while (status.isNotFatal()) {
    const uint64_t count = stream.getTransferCount(status);
    if (status.isFatal() || count - baseCount >= byteCount) break;
    nKIVAPALS100::tStatus scratch;
    semaphore.acquire(remaining, true, scratch);
    // A code posted just as the wait expired does not undo the time-out:
    // the caller learns both.
    const bool expired = scratch.getCode() == statusCodes::kTimeout;
    timedOut = expired;
    const int32_t posted = takePosted(wait);
    if (posted != 0) {
      vorlanSetCode(status, posted);
      break;
    }
    if (expired) break;
    status.merge(scratch);
    // A wake without a code is a threshold notification, and it may be
    // stale: one raised for an earlier wait on the channel can still sit in
    // the bridge's queue, the deferred call or the worker when that wait
    // removes its notifier, and then reaches this wait's notifier under the
    // same key. The count decides, and the wait goes on for what is left of
    // its time.
    if (timeout == tSemaphore::kWaitForever) continue;
    const uint64_t elapsedMs = (nowMicroseconds() - start) / 1000;
    remaining = elapsedMs >= timeout ? tSemaphore::kTryOnly : timeout - elapsedMs;
    if (remaining == tSemaphore::kTryOnly) {
      const uint64_t again = stream.getTransferCount(status);
      timedOut = status.isNotFatal() && again - baseCount < byteCount;
      break;
    }
  }
  unregisterWaiter(stream, channel, wait, registered);
}

void TarnDMAInterruptController::signal(uint32_t channel, int32_t code) {
  if (channel >= kChannels || !constructionClean_) return;
  tAutoLock lock(waiterMutex_);
  if (registered_[channel] != nullptr) post(*registered_[channel], code);
}

void TarnDMAInterruptController::signalAll(int32_t code) {
  tAutoLock lock(waiterMutex_);
  if (releasedWith_ == 0) releasedWith_ = code;
  for (uint32_t channel = 0; channel < kChannels; ++channel) signal(channel, code);
  for (tWait* wait = unregistered_; wait != nullptr; wait = wait->next) post(*wait, code);
}

void TarnDMAInterruptController::resumeWaits() {
  if (!constructionClean_) return;
  tAutoLock lock(waiterMutex_);
  releasedWith_ = 0;
}

}  // namespace tarntools
