// The controllers on the non-isolated side, owned by value and built in one
// order: the isolation link's strobes, the power controller (the monitor's
// calibration depends on the board revision), the cooling-mode controller
// over it and the device's cooling-mode word, the error manager and the
// measure-FIFO overflow flags. Every constructor gets the same status;
// after a failure the later ones still run, but make no mutex.
#pragma once

#include <stdint.h>

#include "controllers/CoolingModeController.h"
#include "controllers/IsoCommController.h"
#include "controllers/MeasureFIFOOverflowStatusController.h"
#include "controllers/NisoErrorController.h"
#include "controllers/PowerController.h"
#include "device/NonIsolatedRegMaps.h"
#include "device/caps/Caps.h"
#include "platform/status/tStatus.h"

namespace vorlan_driver {

class NonIsolatedControllers {
 public:
  // Nothing is owned: the maps and the cooling-mode word must outlive the
  // aggregate.
  NonIsolatedControllers(NonIsolatedRegMaps& maps, CoolingModeWord& coolingMode, const basalt_caps::Caps& caps,
                         uint32_t boardRevision, nKIVAPALS100::tStatus& status);
  NonIsolatedControllers(const NonIsolatedControllers&) = delete;
  NonIsolatedControllers& operator=(const NonIsolatedControllers&) = delete;

  IsoCommController isoComm;
  PowerController power;
  CoolingModeController coolingMode;
  NisoErrorController errors;
  MeasureFIFOOverflowStatusController fifoOverflow;
};

}  // namespace vorlan_driver
