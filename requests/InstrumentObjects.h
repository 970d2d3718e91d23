// The objects of the hardware owner that the instrument requests reach: the
// controllers start-up builds, each null until start-up has built it. A
// request that passed its gate finds the ones its level needs.
#pragma once

#include "controllers/CoolingModeController.h"
#include "controllers/MeasureFIFOOverflowStatusController.h"
#include "controllers/NisoErrorController.h"
#include "controllers/WispController.h"
#include "controllers/channel/IsolatedControllers.h"
#include "controllers/subroutine/SubroutineRegistrar.h"
#include "regmaps/isolated/tTheQuillIsoChannelRegMap.h"
#include "regmaps/isolated/tTheQuillIsoFpgaRegMap.h"

namespace vorlan_driver {

class QuillDevice;

namespace requests {

struct InstrumentObjects {
  IsolatedControllers* isolated;
  SubroutineRegistrar* registrar;
  // The isolated FPGA's map, built one level after the requests that write
  // it directly are admitted.
  vorlan_regmaps::tTheQuillIsoFpgaRegMap* isoFpga;
  vorlan_regmaps::tTheQuillIsoChannelRegMap* const* channelMaps;
  // Chooses the board variant's subroutine ids.
  uint32_t pciSubsystemId;
  NisoErrorController* nisoErrors;
  MeasureFIFOOverflowStatusController* fifoOverflow;
  CoolingModeController* coolingMode;
  WispController* wisp;
};

// What the device's hardware owner has built so far; all null without an
// owner.
InstrumentObjects instrumentObjectsOf(QuillDevice& device);

}  // namespace requests
}  // namespace vorlan_driver
