#include "dma/interrupt/tWorkQueue.h"

#include "kal/include/nKIVKAL.h"
#include "platform/status/statusCodes.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

tWorkQueue::tWorkQueue(void* sharedLock, const char* name, nKIVAPALS100::tStatus& status)
    : sharedLock_(sharedLock), workEvent_(status), exitEvent_(status), thread_(nullptr), stop_(false) {
  queue_.initialize();
  if (status.isFatal()) return;
  thread_ = nKIVKAL250_createNamedThread(name, &tWorkQueue::threadMain, this);
  if (thread_ == nullptr) vorlanSetCode(status, statusCodes::kKernelLayerFailure);
}

tWorkQueue::~tWorkQueue() {
  if (thread_ != nullptr) {
    const uint64_t saved = nKIVKAL110_acquireSpinLockInterrupt(sharedLock_);
    stop_ = true;
    nKIVKAL110_releaseSpinLockInterrupt(sharedLock_, saved);
    workEvent_.set();
    exitEvent_.wait();
    nKIVKAL200_joinThread(thread_);
  }
}

void tWorkQueue::lockedEnqueue(tWorkItem* item) {
  if (item->isQueued()) return;
  item->queueEntry_.link.insertBefore(&queue_);
  workEvent_.set();
}

void tWorkQueue::lockedDequeue(tWorkItem* item) {
  if (item->isQueued()) item->queueEntry_.link.unlink();
}

void tWorkQueue::threadMain(void* context) { static_cast<tWorkQueue*>(context)->workerThreadMain(); }

void tWorkQueue::workerThreadMain() {
  for (;;) {
    uint64_t saved = nKIVKAL110_acquireSpinLockInterrupt(sharedLock_);
    if (queue_.isEmpty()) {
      const bool stop = stop_;
      nKIVKAL110_releaseSpinLockInterrupt(sharedLock_, saved);
      if (stop) break;
      workEvent_.wait();
      continue;
    }
    tListLink* first = queue_.next;
    first->unlink();
    tWorkItem* item = reinterpret_cast<tWorkItem::tQueueEntry*>(first)->item;
    // Held until the item has run: a removal meanwhile only drops its own.
    item->addReference();
    running_.increment();
    const bool more = !queue_.isEmpty();
    nKIVKAL110_releaseSpinLockInterrupt(sharedLock_, saved);
    if (more) workEvent_.set();
    item->doWork();
    item->dropReference();
    running_.decrement();
  }
  exitEvent_.set();
}

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
