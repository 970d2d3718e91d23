#include "controllers/HardwareErrorRegisterChecker.h"

namespace vorlan_driver {

void HardwareErrorRegisterChecker::checkHardwareState(nKIVAPALS100::tStatus& status) {
  if (status.isFatal() || errors_ == nullptr) return;
  errors_->checkForErrors(channelMask_, status);
}

bool HardwareErrorRegisterChecker::hasError(nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return true;
  return errors_ != nullptr && errors_->hasError(channelMask_, status);
}

}  // namespace vorlan_driver
