#include "platform/synchronization/tMutex.h"

#include "kal/include/nKIVKAL.h"
#include "platform/status/statusCodes.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

tMutex::tMutex(nKIVAPALS100::tStatus& status) : kernelMutex_(nullptr), owner_(nullptr), depth_(0) {
  if (status.isFatal()) return;
  kernelMutex_ = nKIVKAL150_createMutex();
  if (kernelMutex_ == nullptr) vorlanSetCode(status, statusCodes::kOutOfMemory);
}

tMutex::~tMutex() {
  if (kernelMutex_ != nullptr) nKIVKAL150_destroyMutex(kernelMutex_);
}

bool tMutex::isOwnedByCaller() const {
  return __atomic_load_n(&owner_, __ATOMIC_RELAXED) == nKIVKAL100_getThreadHandle();
}

void tMutex::acquire() {
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
  if (--depth_ != 0) return;
  __atomic_store_n(&owner_, static_cast<void*>(nullptr), __ATOMIC_RELAXED);
  nKIVKAL150_releaseMutex(kernelMutex_);
}

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
