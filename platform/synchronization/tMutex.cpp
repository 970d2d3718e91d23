#include "platform/synchronization/tMutex.h"

#include "kal/include/nKIVKAL.h"
#include "platform/status/statusCodes.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

tMutex::tMutex(nKIVAPALS100::tStatus& status) : kernelMutex_(nullptr), owner_(nullptr), depth_(0) {
  create(status);
}

void tMutex::create(nKIVAPALS100::tStatus& status) {
  if (status.isFatal() || kernelMutex_ != nullptr) return;
  kernelMutex_ = nKIVKAL150_createMutex();
  if (kernelMutex_ == nullptr) vorlanSetCode(status, statusCodes::kOutOfMemory);
}

tMutex::~tMutex() {
  if (kernelMutex_ != nullptr) nKIVKAL150_destroyMutex(kernelMutex_);
}

bool tMutex::isOwnedByCaller() const {
  return __atomic_load_n(&owner_, __ATOMIC_RELAXED) == nKIVKAL100_getThreadHandle();
}

// An uncreated mutex's owner refuses work; these keep its teardown paths
// from reaching a kernel mutex that is not there.
void tMutex::acquire() {
  if (kernelMutex_ == nullptr) return;
  void* self = nKIVKAL100_getThreadHandle();
  if (__atomic_load_n(&owner_, __ATOMIC_RELAXED) == self) {
    ++depth_;
    return;
  }
  nKIVKAL150_acquireMutex(kernelMutex_);
  __atomic_store_n(&owner_, self, __ATOMIC_RELAXED);
  ++depth_;
}

void tMutex::release() {
  if (kernelMutex_ == nullptr) return;
  if (--depth_ != 0) return;
  __atomic_store_n(&owner_, static_cast<void*>(nullptr), __ATOMIC_RELAXED);
  nKIVKAL150_releaseMutex(kernelMutex_);
}

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
