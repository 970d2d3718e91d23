// Brackets a group of accessor reads or writes. The bracket opens only on a
// clean status; the closing call reports into a fresh status that is merged
// into the caller's, so an earlier error survives and a closing error is not
// lost.
#pragma once

#include "storage/deviceWindow/memoryWindow/MemoryAccessorInterface.h"

namespace devicewindow {

template <void (MemoryAccessorInterface::*Begin)(nKIVAPALS100::tStatus&),
          void (MemoryAccessorInterface::*End)(nKIVAPALS100::tStatus&)>
class AccessGuard {
 public:
  AccessGuard(MemoryAccessorInterface& accessor, nKIVAPALS100::tStatus& status)
      : accessor_(&accessor), status_(&status), active_(false) {
    if (status.isFatal()) return;
    (accessor.*Begin)(status);
    active_ = status.isNotFatal();
  }
  ~AccessGuard() {
    if (!active_) return;
    nKIVAPALS100::tStatusExtended closing;
    (accessor_->*End)(closing);
    status_->merge(closing);
  }
  AccessGuard(const AccessGuard&) = delete;
  AccessGuard& operator=(const AccessGuard&) = delete;

  bool isActive() const { return active_; }

 private:
  MemoryAccessorInterface* accessor_;
  nKIVAPALS100::tStatus* status_;
  bool active_;
};

typedef AccessGuard<&MemoryAccessorInterface::beginRead, &MemoryAccessorInterface::endRead> ReadAccessGuard;
typedef AccessGuard<&MemoryAccessorInterface::beginWrite, &MemoryAccessorInterface::endWrite> WriteAccessGuard;

}  // namespace devicewindow
