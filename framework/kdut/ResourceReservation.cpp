#include "framework/kdut/ResourceReservation.h"

#include "framework/kdut/CleanupOperationComposite.h"

namespace kdut {

using vorlan_driver::nKIVAPAL000::tAutoLock;
using vorlan_driver::nKIVAPAL000::tMutex;

ResourceReservation::ResourceReservation(int32_t notHeldCode, ResourceReservationManager* manager,
                                         nKIVAPALS100::tStatus& status)
    : notHeldCode_(notHeldCode), mutex_(status), manager_(manager), heldMask_(0) {}

void ResourceReservation::reserve(CleanupOperationComposite& composite, uint64_t mask,
                                  nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  {
    tAutoLock<tMutex> lock(mutex_);
    manager_->reserve(mask, status);
    if (status.isFatal()) return;
    // A second reservation adds to the first: the session holds the union,
    // so its cleanup releases every bit it reserved.
    heldMask_ |= mask;
  }
  // Outside our mutex: a cleanup run holds the composite's mutex and then ours.
  if (!composite.contains(this)) composite.add(this, status);
}

void ResourceReservation::release(CleanupOperationComposite& composite, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  {
    tAutoLock<tMutex> lock(mutex_);
    manager_->release(heldMask_, status);
    if (status.isFatal()) return;
    heldMask_ = 0;
  }
  composite.remove(this, status);
}

void ResourceReservation::checkReserved(uint64_t mask, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  tAutoLock<tMutex> lock(mutex_);
  if ((mask & ~heldMask_) != 0) vorlanSetCode(status, notHeldCode_);
}

void ResourceReservation::releaseAll(nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  tAutoLock<tMutex> lock(mutex_);
  if (heldMask_ == 0) return;
  manager_->release(heldMask_, status);
  if (status.isNotFatal()) heldMask_ = 0;
}

uint64_t ResourceReservation::getHeldMask() {
  tAutoLock<tMutex> lock(mutex_);
  return heldMask_;
}

}  // namespace kdut
