// What a DMA wait needs of the interrupt controller: a notifier per key whose
// work runs target.signal(key, 0) on the work-queue thread.
#pragma once

#include <stdint.h>

#include "platform/status/tStatus.h"

namespace tarntools {

class iInterruptNotificationTarget {
 public:
  virtual ~iInterruptNotificationTarget() {}
  virtual void signal(uint32_t key, int32_t code) = 0;
};

class iInterruptNotifierRegistry {
 public:
  virtual ~iInterruptNotifierRegistry() {}
  virtual void addNotifier(iInterruptNotificationTarget* target, uint32_t key, nKIVAPALS100::tStatus& status) = 0;
  virtual void removeNotifier(uint32_t key) = 0;
  // True while the worker runs a notifier's work: a target must not go away
  // before this reads false.
  virtual bool isRunningWork() const = 0;
};

}  // namespace tarntools
