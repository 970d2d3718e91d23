#include "storage/spiFlash/WriteProtectController.h"

namespace kelttools {

using nKIVAPALS100::tStatus;

WriteProtectController::WriteProtectController(kelt_regmaps::tDO& doMap, uint64_t lineMask, tStatus& status)
    : doMap_(&doMap), lineMask_(lineMask) {
  if (status.isFatal()) return;
  auto& direction = doMap.DIO_Direction_Register;
  direction.updateRegister(0, static_cast<uint32_t>(lineMask_), status);
}

void WriteProtectController::protect(tStatus& status) {
  if (status.isFatal()) return;
  auto& levels = doMap_->DO_04_Register;
  levels.updateRegister(static_cast<uint32_t>(lineMask_), 0, status);
}

void WriteProtectController::unprotect(tStatus& status) {
  if (status.isFatal()) return;
  auto& levels = doMap_->DO_04_Register;
  levels.updateRegister(0, static_cast<uint32_t>(lineMask_), status);
}

}  // namespace kelttools
