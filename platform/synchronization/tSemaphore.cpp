#include "platform/synchronization/tSemaphore.h"

#include <stddef.h>

#include "platform/status/statusCodes.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

tSemaphore::tSemaphore(uint32_t initialCount, nKIVAPALS100::tStatus& status)
    : consuming_(1), count_(initialCount), savedInterruptState_(0), spinLock_(nullptr), waiters_{&waiters_, &waiters_} {
  nKIVAPALS100::tStatusExtended local;
  spinLock_ = nKIVKAL100_createSpinLock();
  if (spinLock_ == nullptr) vorlanSetCode(local, statusCodes::kOutOfMemory);
  status.merge(local);
}

tSemaphore::~tSemaphore() {
  if (spinLock_ != nullptr) nKIVKAL100_destroySpinLock(spinLock_);
}

void tSemaphore::lock() {
  const uint64_t saved = nKIVKAL110_acquireSpinLockInterrupt(spinLock_);
  savedInterruptState_ = saved;
}

void tSemaphore::unlock() { nKIVKAL110_releaseSpinLockInterrupt(spinLock_, savedInterruptState_); }

bool tSemaphore::take() {
  if (count_ == 0) return false;
  if (consuming_ != 0) --count_;
  return true;
}

void tSemaphore::wakeOldest() {
  static_assert(offsetof(tWaiter, link) == 0, "a list link is read as its waiter");
  tWaiter* oldest = reinterpret_cast<tWaiter*>(waiters_.next);
  oldest->link.unlink();
  nKIVKAL100_releaseSingleUseEvent(&oldest->event);
}

void tSemaphore::timeoutCallback(void* context) {
  tTimeoutContext* timeout = static_cast<tTimeoutContext*>(context);
  tSemaphore* semaphore = timeout->semaphore;
  tWaiter* waiter = timeout->waiter;
  semaphore->lock();
  // A release may have handed this waiter its unit just before the time-out:
  // then the waiter is already out of the list and has succeeded.
  if (waiter->link.isLinked()) {
    waiter->link.unlink();
    vorlanSetCode(waiter->localStatus, statusCodes::kTimeout);
    nKIVKAL100_releaseSingleUseEvent(&waiter->event);
  }
  semaphore->unlock();
}

bool tSemaphore::acquire(uint64_t timeout, bool interruptible, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return false;
  lock();
  if (take()) {
    unlock();
    return true;
  }
  if (timeout == kTryOnly) {
    unlock();
    vorlanSetCode(status, statusCodes::kTimeout);
    return false;
  }

  tWaiter waiter;
  waiter.link.initialize();
  nKIVKAL100_initializeSingleUseEvent(&waiter.event);
  waiter.link.insertBefore(&waiters_);
  unlock();

  const bool timed = timeout != kWaitForever;
  if (!timed) {
    if (!interruptible) {
      nKIVKAL100_waitForSingleUseEvent(&waiter.event);
    } else if (nKIVKAL100_waitForSingleUseEventInterruptible(&waiter.event) < 0) {
      lock();
      // Already unlinked means a release handed over the unit as the signal
      // arrived: the unit is ours and the wait succeeds.
      if (waiter.link.isLinked()) {
        vorlanSetCode(status, statusCodes::kWaitInterrupted);
        waiter.link.unlink();
      }
      unlock();
      if (status.isFatal()) return false;
    }
  } else {
    tTimeoutContext context = {this, &waiter};
    const nKIVKAL_tTimeoutCallback callback = {&tSemaphore::timeoutCallback, &context};
    const uint32_t limit = static_cast<uint32_t>(timeout);
    if (interruptible) {
      if (nKIVKAL100_waitForSingleUseEventTimeoutInterruptible(&waiter.event, limit, &callback) < 0) {
        lock();
        if (waiter.link.isLinked()) {
          vorlanSetCode(waiter.localStatus, statusCodes::kWaitInterrupted);
          waiter.link.unlink();
        }
        unlock();
      }
    } else {
      nKIVKAL100_waitForSingleUseEventTimeout(&waiter.event, limit, &callback);
    }
  }

  // Whoever unlinked this waiter did so under the spinlock and may still be
  // releasing its event; passing through the lock once waits for them to be
  // done with the record before it leaves the stack.
  lock();
  unlock();
  if (timed && waiter.localStatus.isFatal()) {
    status.merge(waiter.localStatus);
    return false;
  }
  return true;
}

void tSemaphore::acquire() {
  lock();
  if (take()) {
    unlock();
    return;
  }
  tWaiter waiter;
  waiter.link.initialize();
  nKIVKAL100_initializeSingleUseEvent(&waiter.event);
  waiter.link.insertBefore(&waiters_);
  unlock();
  nKIVKAL100_waitForSingleUseEvent(&waiter.event);
  lock();
  unlock();
}

void tSemaphore::release() {
  lock();
  if (count_ == 0) {
    if (waiters_.isEmpty()) {
      count_ = 1;
    } else {
      wakeOldest();
    }
  } else {
    ++count_;
    // Waiters queue only while the count is 0, so this normally finds none.
    while (!waiters_.isEmpty()) wakeOldest();
  }
  unlock();
}

uint32_t tSemaphore::getCount() {
  lock();
  const uint32_t count = count_;
  unlock();
  return count;
}

uint32_t tSemaphore::getWaiterCount() {
  lock();
  uint32_t waiters = 0;
  for (const tListLink* link = waiters_.next; link != &waiters_; link = link->next) ++waiters;
  unlock();
  return waiters;
}

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
