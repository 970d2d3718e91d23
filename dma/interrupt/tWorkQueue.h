// A queue of work items run by one kernel thread of its own. The deferred
// call queues items under the spinlock it shares with the queue; the worker
// runs them one by one without it. An item is on the queue at most once.
#pragma once

#include <stdint.h>

#include "dma/interrupt/tAutoResetEvent.h"
#include "platform/device/tListLink.h"
#include "platform/status/tStatus.h"
#include "platform/synchronization/kivatomicopInteger.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

class tWorkItem {
 public:
  tWorkItem() : references_(1) {
    queueEntry_.link.initialize();
    queueEntry_.item = this;
  }
  virtual ~tWorkItem() {}
  virtual void doWork() = 0;

  // Shared ownership: whoever unlinks an item drops its reference, and the
  // worker holds one of its own while the item runs, so removing an item
  // never frees it under the worker.
  void addReference() { references_.increment(); }
  void dropReference() {
    if (references_.decrement() == 0) delete this;
  }
  bool isQueued() const { return queueEntry_.link.isLinked(); }

 private:
  friend class tWorkQueue;

 public:
  // The link comes first, so a link on the queue is also its entry.
  struct tQueueEntry {
    tListLink link;
    tWorkItem* item;
  } queueEntry_;
  kivatomicop::Integer<uint32_t> references_;
};

class tWorkQueue {
 public:
  // `sharedLock` is the caller's spinlock, taken around every queue change.
  tWorkQueue(void* sharedLock, const char* name, nKIVAPALS100::tStatus& status);
  ~tWorkQueue();
  tWorkQueue(const tWorkQueue&) = delete;
  tWorkQueue& operator=(const tWorkQueue&) = delete;

  // Under the shared lock: append an idle item and wake the worker; an item
  // already queued stays where it is.
  void lockedEnqueue(tWorkItem* item);
  // Under the shared lock: take a queued item off the queue.
  void lockedDequeue(tWorkItem* item);
  // True while the worker runs an item (sampled).
  bool isRunningItem() const { return running_.getValue() != 0; }

 private:
  static void threadMain(void* context);
  void workerThreadMain();

  void* sharedLock_;
  tAutoResetEvent workEvent_;
  tAutoResetEvent exitEvent_;
  tListLink queue_;
  void* thread_;
  bool stop_;
  kivatomicop::Integer<uint32_t> running_;
};

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
