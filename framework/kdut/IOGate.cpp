#include "framework/kdut/IOGate.h"

namespace kdut {

void IOGate::enter(nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  if (!device_->acquireIOReference(session_, status, vorlan_driver::nKIVAPAL000::tDeviceCore::kWaitForever)) return;
  entered_ = true;
  for (uint64_t i = 0; i < sentries_.count(); ++i) sentries_[i]->onEnterIOGate(status);
}

void IOGate::leave() {
  if (entered_) device_->releaseIOReference(session_);
}

}  // namespace kdut
