#include "framework/kdut/ResourceReservationManager.h"

namespace kdut {

using vorlan_driver::nKIVAPAL000::tAutoLock;
using vorlan_driver::nKIVAPAL000::tMutex;

ResourceReservationManager::ResourceReservationManager(int32_t alreadyReservedCode, int32_t notReservedCode,
                                                       uint64_t reservableMask, int32_t outOfRangeCode,
                                                       nKIVAPALS100::tStatus& status)
    : alreadyReservedCode_(alreadyReservedCode),
      notReservedCode_(notReservedCode),
      outOfRangeCode_(outOfRangeCode),
      reservableMask_(reservableMask),
      mutex_(status),
      reservedMask_(0) {}

ResourceReservationManager::ResourceReservationManager(int32_t alreadyReservedCode, int32_t notReservedCode,
                                                       nKIVAPALS100::tStatus& status)
    : ResourceReservationManager(alreadyReservedCode, notReservedCode, ~0ull, -1, status) {}

void ResourceReservationManager::reserve(uint64_t mask, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  tAutoLock<tMutex> lock(mutex_);
  if ((mask & ~reservableMask_) != 0) {
    vorlanSetCode(status, outOfRangeCode_);
  } else if ((mask & reservedMask_) != 0) {
    vorlanSetCode(status, alreadyReservedCode_);
  } else {
    reservedMask_ |= mask;
  }
}

void ResourceReservationManager::release(uint64_t mask, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  tAutoLock<tMutex> lock(mutex_);
  if ((mask & ~reservedMask_) != 0) {
    vorlanSetCode(status, notReservedCode_);
  } else {
    reservedMask_ &= ~mask;
  }
}

uint64_t ResourceReservationManager::getReservedMask() {
  tAutoLock<tMutex> lock(mutex_);
  return reservedMask_;
}

}  // namespace kdut
