#include "platform/device/tSyncEvent.h"

#include <stddef.h>

#include "kal/include/nKIVKAL.h"
#include "platform/status/statusCodes.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

// Lives on the waiting thread's stack; the link comes first so a list link
// leads back to its waiter.
struct tSyncEvent::tWaiter {
  tListLink link;
  nKIVKAL_tSingleUseEvent event;
  nKIVAPALS100::tStatus status;
  tSyncEvent* owner;
};

tSyncEvent::tSyncEvent(bool autoReset, nKIVAPALS100::tStatus& status)
    : autoReset_(autoReset), count_(1), savedState_(0), spinLock_(nullptr) {
  waiters_.initialize();
  if (status.isFatal()) return;
  spinLock_ = nKIVKAL100_createSpinLock();
  if (spinLock_ == nullptr) vorlanSetCode(status, statusCodes::kOutOfMemory);
}

tSyncEvent::~tSyncEvent() {
  if (spinLock_ != nullptr) nKIVKAL100_destroySpinLock(spinLock_);
}

void tSyncEvent::lock() {
  const uint64_t saved = nKIVKAL110_acquireSpinLockInterrupt(spinLock_);
  savedState_ = saved;
}

void tSyncEvent::unlock() { nKIVKAL110_releaseSpinLockInterrupt(spinLock_, savedState_); }

void tSyncEvent::signal() {
  static_assert(offsetof(tWaiter, link) == 0, "a list link is read as its waiter");
  // Signalling a signalled event changes nothing, and it is the common case:
  // every request that ends the device's or a session's last one signals a
  // drain nobody waits for. The count only changes under the lock, one
  // write per locked section, and never reads 1 while a waiter is queued, so
  // a 1 read here is a state the locked path would also have left alone.
  // Both sides are sequentially consistent, so a waiter that takes the
  // signal after this read re-checks what it waits for and sees the change
  // the signaller made before signalling.
  if (__atomic_load_n(&count_, __ATOMIC_SEQ_CST) != 0) return;
  lock();
  if (count() == 0) {
    if (autoReset_) {
      if (waiters_.isEmpty()) {
        setCount(1);
      } else {
        tWaiter* first = reinterpret_cast<tWaiter*>(waiters_.next);
        first->link.unlink();
        nKIVKAL100_releaseSingleUseEvent(&first->event);
      }
    } else {
      setCount(1);
      while (!waiters_.isEmpty()) {
        tWaiter* waiter = reinterpret_cast<tWaiter*>(waiters_.next);
        waiter->link.unlink();
        nKIVKAL100_releaseSingleUseEvent(&waiter->event);
      }
    }
  }
  unlock();
}

void tSyncEvent::expireWaiter(void* context) {
  tWaiter* waiter = static_cast<tWaiter*>(context);
  tSyncEvent* event = waiter->owner;
  event->lock();
  if (waiter->link.isLinked()) {
    waiter->link.unlink();
    vorlanSetCode(waiter->status, statusCodes::kTimeout);
    nKIVKAL100_releaseSingleUseEvent(&waiter->event);
  }
  event->unlock();
}

void tSyncEvent::wait(bool interruptible, uint32_t timeout, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  lock();
  if (count() != 0) {
    if (autoReset_) setCount(0);
    unlock();
    return;
  }
  if (timeout == 0) {
    unlock();
    vorlanSetCode(status, statusCodes::kTimeout);
    return;
  }
  tWaiter waiter;
  waiter.link.initialize();
  waiter.owner = this;
  nKIVKAL100_initializeSingleUseEvent(&waiter.event);
  waiter.link.insertBefore(&waiters_);
  unlock();

  int32_t result = 0;
  if (timeout == kWaitForever) {
    if (interruptible) {
      result = nKIVKAL100_waitForSingleUseEventInterruptible(&waiter.event);
    } else {
      nKIVKAL100_waitForSingleUseEvent(&waiter.event);
    }
  } else {
    const nKIVKAL_tTimeoutCallback expiry = {&tSyncEvent::expireWaiter, &waiter};
    result = interruptible ? nKIVKAL100_waitForSingleUseEventTimeoutInterruptible(&waiter.event, timeout, &expiry)
                           : nKIVKAL100_waitForSingleUseEventTimeout(&waiter.event, timeout, &expiry);
  }
  if (interruptible && result < 0) {
    lock();
    if (waiter.link.isLinked()) {
      waiter.link.unlink();
      vorlanSetCode(waiter.status, statusCodes::kWaitInterrupted);
    }
    unlock();
  }
  // A signaller may still be inside the lock releasing this waiter; it must
  // be done with the record before the record leaves the stack.
  lock();
  unlock();
  status.merge(waiter.status);
}

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
