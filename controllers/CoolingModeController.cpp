#include "controllers/CoolingModeController.h"

#include "controllers/ControllerGuard.h"

namespace vorlan_driver {

void CoolingModeController::setCoolingMode(uint32_t mode, uint32_t source, nKIVAPALS100::tStatus& status) {
  ControllerGuard guard(mutex_, status);
  if (!guard.holds()) return;
  mode &= kModeMask;
  if (source != kSourceOverride && word_->source == kSourceOverride) return;
  if (mode == word_->mode) {
    word_->source = source;
    return;
  }
  power_->applyCoolingMode(mode, status);
  if (status.isFatal()) return;
  *word_ = CoolingModeWord{mode, source};
}

uint32_t CoolingModeController::getCoolingMode(nKIVAPALS100::tStatus& status) {
  ControllerGuard guard(mutex_, status);
  if (!guard.holds()) return 0;
  return word_->mode;
}

}  // namespace vorlan_driver
