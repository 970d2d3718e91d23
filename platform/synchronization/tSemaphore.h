// Counting semaphore on which a request thread sleeps until an interrupt-side
// event releases it. Every operation runs under an interrupt spinlock, so
// release may come from interrupt or deferred context. Waiters queue first in,
// first out, each on its own stack with its own kernel event; a release hands
// the unit straight to the oldest waiter instead of raising the count.
#pragma once

#include <stdint.h>

#include "kal/include/nKIVKAL.h"
#include "platform/device/tListLink.h"
#include "platform/status/tStatus.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

class tSemaphore {
 public:
  // Time-outs of acquire: try once, or wait without limit.
  static constexpr uint64_t kTryOnly = 0;
  static constexpr uint64_t kWaitForever = 0xFFFFFFFFu;

  // Builds even when the status already holds an error, so that every
  // semaphore can be destroyed alike.
  tSemaphore(uint32_t initialCount, nKIVAPALS100::tStatus& status);
  ~tSemaphore();
  tSemaphore(const tSemaphore&) = delete;
  tSemaphore& operator=(const tSemaphore&) = delete;

  // True when a unit was taken. Any time-out other than kTryOnly and
  // kWaitForever is a limit in the kernel layer's unit for timed event waits
  // (milliseconds); only its low 32 bits are passed on.
  bool acquire(uint64_t timeout, bool interruptible, nKIVAPALS100::tStatus& status);
  // Waits without limit, not interruptible.
  void acquire();
  void release();

  // Observers, each under the spinlock.
  uint32_t getCount();
  uint32_t getWaiterCount();

 private:
  // Lives on the waiting thread's stack for one wait; the link comes first so
  // that a link in the list is also its waiter.
  struct tWaiter {
    tListLink link;
    nKIVKAL_tSingleUseEvent event;
    nKIVAPALS100::tStatus localStatus;
  };
  struct tTimeoutContext {
    tSemaphore* semaphore;
    tWaiter* waiter;
  };

  static void timeoutCallback(void* context);

  void lock();
  void unlock();
  // Under the spinlock: takes a unit when there is one.
  bool take();
  // Under the spinlock: unlinks the oldest waiter and releases its event.
  void wakeOldest();

  uint8_t consuming_;
  uint32_t count_;
  uint64_t savedInterruptState_;
  void* spinLock_;
  // Circular list whose head is its own sentinel; oldest waiter first.
  tListLink waiters_;
};

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
