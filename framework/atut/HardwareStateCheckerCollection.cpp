#include "framework/atut/HardwareStateCheckerCollection.h"

#include "platform/status/statusCodes.h"

namespace atut {

using nKIVAPALS100::tStatus;

void HardwareStateCheckerCollection::checkHardwareState(tStatus& status) {
  if (status.isFatal()) return;
  for (uint64_t i = 0; i < checkers_.count(); ++i) checkers_[i]->checkHardwareState(status);
}

void HardwareStateCheckerCollection::add(kdut::HardwareStateCheckerInterface* checker, tStatus& status) {
  if (status.isFatal()) return;
  if (checkers_.isFull()) {
    vorlanSetCode(status, vorlan_driver::statusCodes::kOutOfMemory);
    return;
  }
  checkers_.pushBack(checker);
}

void HardwareStateCheckerCollection::remove(kdut::HardwareStateCheckerInterface* checker, tStatus& status) {
  if (status.isFatal()) return;
  for (uint64_t i = 0; i < checkers_.count(); ++i) {
    if (checkers_[i] != checker) continue;
    checkers_.eraseAt(i);
    return;
  }
  vorlanSetCode(status, vorlan_driver::statusCodes::kNotFound);
}

}  // namespace atut
