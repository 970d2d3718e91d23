#include "dma/interrupt/InterruptController.h"


#include "kal/include/nKIVKAL.h"
#include "platform/cppRuntime/cppNewDelete.h"
#include "platform/status/statusCodes.h"

namespace tarntools {

using vorlan_driver::nKIVAPAL000::tListLink;
using vorlan_driver::nKIVAPAL000::tTarnInterruptManager;
using vorlan_driver::nKIVAPAL000::tWorkQueue;
namespace statusCodes = vorlan_driver::statusCodes;

namespace {
void* createDpc(void (*routine)(void*), nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return nullptr;
  void* dpc = nKIVKAL100_createDPC(routine);
  if (dpc == nullptr) vorlanSetCode(status, statusCodes::kKernelLayerFailure);
  return dpc;
}

void* createSpinLock(nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return nullptr;
  void* lock = nKIVKAL100_createSpinLock();
  if (lock == nullptr) vorlanSetCode(status, statusCodes::kOutOfMemory);
  return lock;
}

// The secondary handler's own deferred call: the redirector's is the one
// scheduled, so this one never runs.
void unusedSecondary(void*) {}
}  // namespace

InterruptController::InterruptController(vorlan_driver::nKIVAPAL000::tPCIDevice& device, volatile uint8_t* bridge,
                                         nKIVAPALS100::tStatus& status)
    : device_(device),
      secondaryDpc_(createDpc(&unusedSecondary, status)),
      redirectorDpc_(createDpc(&InterruptController::deferredRedirect, status)),
      manager_(bridge, device.getDescription().msiGranted != 0),
      sharedLock_(createSpinLock(status)),
      workQueue_(nullptr),
      notifierLock_(nullptr),
      reserved_(false) {
  notifiers_.initialize();
  if (status.isNotFatal()) {
    workQueue_ = new (status, false) tWorkQueue(sharedLock_, kWorkQueueName, status);
  }
  notifierLock_ = createSpinLock(status);
  if (status.isFatal()) return;
  device_.reserveInterrupt(this, status, 0);
  if (status.isFatal()) return;
  reserved_ = true;
  manager_.configure(tTarnInterruptManager::kSourceFlagsInterruptsOn);
  manager_.arm();
}

InterruptController::~InterruptController() {
  if (reserved_) device_.relinquishInterrupt();
  // The last interrupt may have left its deferred call queued or running; it
  // uses the notifiers, both spinlocks and the work queue, so it is stopped
  // (and waited for) before any of them goes.
  nKIVKAL100_destroyDPC(redirectorDpc_);
  nKIVKAL100_destroyDPC(secondaryDpc_);
  if (notifierLock_ != nullptr) {
    uint64_t saved = nKIVKAL110_acquireSpinLockInterrupt(notifierLock_);
    tListLink all;
    all.initialize();
    if (notifiers_.isLinked()) {
      // Take the whole list over to a local head.
      all.next = notifiers_.next;
      all.previous = notifiers_.previous;
      all.next->previous = &all;
      all.previous->next = &all;
      notifiers_.initialize();
    }
    nKIVKAL110_releaseSpinLockInterrupt(notifierLock_, saved);
    while (all.isLinked()) {
      InterruptNotifierWorkItem* item = reinterpret_cast<InterruptNotifierWorkItem::tNotifierEntry*>(all.next)->item;
      item->notifier.link.unlink();
      saved = nKIVKAL110_acquireSpinLockInterrupt(sharedLock_);
      if (workQueue_ != nullptr) workQueue_->lockedDequeue(item);
      nKIVKAL110_releaseSpinLockInterrupt(sharedLock_, saved);
      item->dropReference();
    }
    nKIVKAL100_destroySpinLock(notifierLock_);
  }
  delete workQueue_;
  nKIVKAL100_destroySpinLock(sharedLock_);
  // The interrupt manager masks the bridge as it goes.
}

bool InterruptController::handlePrimaryInterrupt() {
  if (!manager_.claimInterrupt()) return false;
  nKIVKAL100_scheduleDPC(redirectorDpc_, this);
  return true;
}

void InterruptController::deferredRedirect(void* context) {
  static_cast<InterruptController*>(context)->handleSecondaryInterrupt();
}

InterruptController::InterruptNotifierWorkItem* InterruptController::lockedFind(uint32_t key) {
  for (tListLink* link = notifiers_.next; link != &notifiers_; link = link->next) {
    InterruptNotifierWorkItem* item = reinterpret_cast<InterruptNotifierWorkItem::tNotifierEntry*>(link)->item;
    if (item->key() == key) return item;
  }
  return nullptr;
}

void InterruptController::handleSecondaryInterrupt() {
  for (;;) {
    const uint32_t entry = manager_.readQueue();
    if (entry == tTarnInterruptManager::kNoDevice) break;
    if ((entry & tTarnInterruptManager::kEntryNotification) != 0) {
      nKIVKAL100_acquireSpinLockDPC(notifierLock_);
      InterruptNotifierWorkItem* item = lockedFind(entry & tTarnInterruptManager::kEntryKey);
      if (item == nullptr) {
        nKIVKAL100_printToDebugger("Interrupt handled, but no work was done\n");
      } else {
        const uint64_t saved = nKIVKAL110_acquireSpinLockInterrupt(sharedLock_);
        workQueue_->lockedEnqueue(item);
        nKIVKAL110_releaseSpinLockInterrupt(sharedLock_, saved);
      }
      nKIVKAL100_releaseSpinLockDPC(notifierLock_);
    }
    if ((entry & tTarnInterruptManager::kEntryMore) == 0) break;
  }
  manager_.rearm();
}

void InterruptController::addNotifier(iInterruptNotificationTarget* target, uint32_t key,
                                      nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  InterruptNotifierWorkItem* item = new (status, false) InterruptNotifierWorkItem(target, key);
  if (item == nullptr) return;
  nKIVKAL100_acquireSpinLockDPC(notifierLock_);
  const bool known = lockedFind(key) != nullptr;
  if (!known) item->notifier.link.insertBefore(&notifiers_);
  nKIVKAL100_releaseSpinLockDPC(notifierLock_);
  if (known) item->dropReference();
}

void InterruptController::removeNotifier(uint32_t key) {
  nKIVKAL100_acquireSpinLockDPC(notifierLock_);
  InterruptNotifierWorkItem* item = lockedFind(key);
  if (item != nullptr) {
    const uint64_t saved = nKIVKAL110_acquireSpinLockInterrupt(sharedLock_);
    workQueue_->lockedDequeue(item);
    nKIVKAL110_releaseSpinLockInterrupt(sharedLock_, saved);
    item->notifier.link.unlink();
  }
  nKIVKAL100_releaseSpinLockDPC(notifierLock_);
  // A worker running the item holds its own reference.
  if (item != nullptr) item->dropReference();
}

bool InterruptController::isRunningWork() const { return workQueue_ != nullptr && workQueue_->isRunningItem(); }

}  // namespace tarntools
