// The synchronization event of the device core and the sessions: a count
// and a waiter list under an interrupt spinlock, so it may be signalled from
// any context. Waiters block on a kernel-layer single-use event each.
#pragma once

#include <stdint.h>

#include "platform/device/tListLink.h"
#include "platform/status/tStatus.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

class tSyncEvent {
 public:
  static constexpr uint32_t kWaitForever = 0xFFFFFFFFu;

  // Created signalled; the spinlock only while the status is clean (-52000).
  tSyncEvent(bool autoReset, nKIVAPALS100::tStatus& status);
  ~tSyncEvent();
  tSyncEvent(const tSyncEvent&) = delete;
  tSyncEvent& operator=(const tSyncEvent&) = delete;

  void signal();
  // Time-out 0 fails at once with -52007 when not signalled; kWaitForever
  // waits without one; an interrupted wait sets -52025.
  void wait(bool interruptible, uint32_t timeout, nKIVAPALS100::tStatus& status);

 private:
  struct tWaiter;
  static void expireWaiter(void* waiter);
  void lock();
  void unlock();
  // Read and written under the lock, and read without it by signal().
  uint32_t count() const { return __atomic_load_n(&count_, __ATOMIC_SEQ_CST); }
  void setCount(uint32_t value) { __atomic_store_n(&count_, value, __ATOMIC_SEQ_CST); }

  bool autoReset_;
  uint32_t count_;
  uint64_t savedState_;
  void* spinLock_;
  tListLink waiters_;
};

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
