#include "controllers/MeasureFIFOOverflowStatusController.h"

#include "controllers/ControllerGuard.h"

namespace vorlan_driver {

bool MeasureFIFOOverflowStatusController::isOverflowed(uint8_t channel, nKIVAPALS100::tStatus& status) {
  ControllerGuard guard(mutex_, status);
  if (!guard.holds()) return false;
  const uint32_t value = overflow_->readRegister(status);
  return (value & kChannelFlags & (uint64_t{1} << (channel & 63))) != 0;
}

void MeasureFIFOOverflowStatusController::checkOverflow(uint64_t channelMask, nKIVAPALS100::tStatus& status) {
  ControllerGuard guard(mutex_, status);
  if (!guard.holds()) return;
  const uint32_t value = overflow_->readRegister(status);
  if (status.isNotFatal() && (value & kChannelFlags & channelMask) != 0) vorlanSetCode(status, kOverflowed);
}

}  // namespace vorlan_driver
