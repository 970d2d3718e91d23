#include "platform/status/heapStatus.h"

#include "kal/include/nKIVKAL.h"
#include "platform/cppRuntime/cppNewDelete.h"
#include "platform/status/statusCodes.h"

namespace nKIVAPALS100 {

tStatus* createHeapStatus() {
  void* memory = nKIVKAL100_malloc(sizeof(tStatus));
  if (memory == nullptr) {
    // There is no caller's status to report in: the null result says it.
    tStatus noted;
    vorlanSetCode(noted, vorlan_driver::statusCodes::kOutOfMemory);
    return nullptr;
  }
  return new (memory, vorlan_driver::nKIVAPAL000::kPlacement) tStatus();
}

void freeHeapStatus(tStatus* status) {
  if (status == nullptr) return;
  status->~tStatus();
  nKIVKAL100_free(status);
}

}  // namespace nKIVAPALS100
