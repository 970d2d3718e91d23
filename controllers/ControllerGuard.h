// Holds a controller's mutex for one operation. A controller whose mutex
// could not be made refuses every operation with -52000 rather than run
// unlocked; an operation on a failed status takes nothing.
#pragma once

#include "platform/status/statusCodes.h"
#include "platform/status/tStatus.h"
#include "platform/synchronization/tMutex.h"

namespace vorlan_driver {

class ControllerGuard {
 public:
  ControllerGuard(nKIVAPAL000::tMutex& mutex, nKIVAPALS100::tStatus& status) : mutex_(nullptr) {
    if (status.isFatal()) return;
    if (!mutex.isCreated()) {
      vorlanSetCode(status, statusCodes::kOutOfMemory);
      return;
    }
    mutex.acquire();
    mutex_ = &mutex;
  }
  ~ControllerGuard() {
    if (mutex_ != nullptr) mutex_->release();
  }
  ControllerGuard(const ControllerGuard&) = delete;
  ControllerGuard& operator=(const ControllerGuard&) = delete;

  // False when the operation must not run.
  bool holds() const { return mutex_ != nullptr; }

 private:
  nKIVAPAL000::tMutex* mutex_;
};

}  // namespace vorlan_driver
