#include "framework/kdut/CleanupOperationComposite.h"

namespace kdut {

using vorlan_driver::nKIVAPAL000::tAutoLock;
using vorlan_driver::nKIVAPAL000::tMutex;

CleanupOperationComposite::CleanupOperationComposite(uint64_t initialCapacity, nKIVAPALS100::tStatus& status)
    : mutex_(status), operations_(initialCapacity, status) {}

void CleanupOperationComposite::cleanup(nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  tAutoLock<tMutex> lock(mutex_);
  for (uint64_t i = operations_.count(); i > 0; --i) {
    nKIVAPALS100::tStatus own;
    operations_.at(i - 1)->cleanup(own);
    status.merge(own);
  }
}

void CleanupOperationComposite::add(CleanupOperationInterface* operation, nKIVAPALS100::tStatus& status) {
  tAutoLock<tMutex> lock(mutex_);
  operations_.add(operation, status);
}

void CleanupOperationComposite::remove(CleanupOperationInterface* operation, nKIVAPALS100::tStatus& status) {
  tAutoLock<tMutex> lock(mutex_);
  operations_.remove(operation, status);
}

void CleanupOperationComposite::clear() {
  tAutoLock<tMutex> lock(mutex_);
  operations_.clear();
}

bool CleanupOperationComposite::contains(const CleanupOperationInterface* operation) {
  tAutoLock<tMutex> lock(mutex_);
  return operations_.contains(operation);
}

}  // namespace kdut
