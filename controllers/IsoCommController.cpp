#include "controllers/IsoCommController.h"

namespace vorlan_driver {

void IsoCommController::strobeConfig(nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  config_->setBit16(true).flush(status, true);
}

}  // namespace vorlan_driver
