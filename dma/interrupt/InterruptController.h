// The device's interrupt path: the primary routine claims the bridge's
// interrupt and schedules the deferred call; the deferred call drains the
// bridge's queue and queues the work item of the notifier registered under
// each key; the work-queue thread runs the items, so that no semaphore or
// mutex work happens at interrupt or deferred-call level.
#pragma once

#include <stdint.h>

#include "dma/interrupt/iInterruptNotifierRegistry.h"
#include "dma/interrupt/tTarnInterruptManager.h"
#include "dma/interrupt/tWorkQueue.h"
#include "platform/device/tListLink.h"
#include "platform/pci/iPrimaryInterruptHandler.h"
#include "platform/pci/tPCIDevice.h"

namespace tarntools {

class InterruptController : public vorlan_driver::nKIVAPAL000::iPrimaryInterruptHandler,
                            public iInterruptNotifierRegistry {
 public:
  static constexpr const char* kWorkQueueName = "vorlan_driver";

  InterruptController(vorlan_driver::nKIVAPAL000::tPCIDevice& device, volatile uint8_t* bridge,
                      nKIVAPALS100::tStatus& status);
  ~InterruptController() override;
  InterruptController(const InterruptController&) = delete;
  InterruptController& operator=(const InterruptController&) = delete;

  bool handlePrimaryInterrupt() override;
  void addNotifier(iInterruptNotificationTarget* target, uint32_t key, nKIVAPALS100::tStatus& status) override;
  void removeNotifier(uint32_t key) override;
  bool isRunningWork() const override;
  void handleSecondaryInterrupt();

 private:
  class InterruptNotifierWorkItem : public vorlan_driver::nKIVAPAL000::tWorkItem {
   public:
    InterruptNotifierWorkItem(iInterruptNotificationTarget* target, uint32_t key) : target_(target), key_(key) {
      notifier.link.initialize();
      notifier.item = this;
    }
    void doWork() override { target_->signal(key_, 0); }
    uint32_t key() const { return key_; }
    // The link comes first, so a link on the notifier list is also its entry.
    struct tNotifierEntry {
      vorlan_driver::nKIVAPAL000::tListLink link;
      InterruptNotifierWorkItem* item;
    } notifier;

   private:
    iInterruptNotificationTarget* target_;
    uint32_t key_;
  };

  static void deferredRedirect(void* context);
  // Under the notifier spinlock.
  InterruptNotifierWorkItem* lockedFind(uint32_t key);

  vorlan_driver::nKIVAPAL000::tPCIDevice& device_;
  void* secondaryDpc_;
  void* redirectorDpc_;
  vorlan_driver::nKIVAPAL000::tTarnInterruptManager manager_;
  void* sharedLock_;
  vorlan_driver::nKIVAPAL000::tWorkQueue* workQueue_;
  void* notifierLock_;
  vorlan_driver::nKIVAPAL000::tListLink notifiers_;
  bool reserved_;
};

}  // namespace tarntools
