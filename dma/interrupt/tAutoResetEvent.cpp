#include "dma/interrupt/tAutoResetEvent.h"

#include "platform/status/statusCodes.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

tAutoResetEvent::tAutoResetEvent(nKIVAPALS100::tStatus& status)
    : spinLock_(nullptr), signalled_(false), waiter_(nullptr) {
  if (status.isFatal()) return;
  spinLock_ = nKIVKAL100_createSpinLock();
  if (spinLock_ == nullptr) vorlanSetCode(status, statusCodes::kOutOfMemory);
}

tAutoResetEvent::~tAutoResetEvent() { nKIVKAL100_destroySpinLock(spinLock_); }

void tAutoResetEvent::set() {
  const uint64_t saved = nKIVKAL110_acquireSpinLockInterrupt(spinLock_);
  if (waiter_ != nullptr) {
    nKIVKAL100_releaseSingleUseEvent(waiter_);
    waiter_ = nullptr;
  } else {
    signalled_ = true;
  }
  nKIVKAL110_releaseSpinLockInterrupt(spinLock_, saved);
}

void tAutoResetEvent::wait() {
  nKIVKAL_tSingleUseEvent event;
  const uint64_t saved = nKIVKAL110_acquireSpinLockInterrupt(spinLock_);
  if (signalled_) {
    signalled_ = false;
    nKIVKAL110_releaseSpinLockInterrupt(spinLock_, saved);
    return;
  }
  nKIVKAL100_initializeSingleUseEvent(&event);
  waiter_ = &event;
  nKIVKAL110_releaseSpinLockInterrupt(spinLock_, saved);
  nKIVKAL100_waitForSingleUseEvent(&event);
}

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
