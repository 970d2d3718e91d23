#include "device/NonIsolatedControllers.h"

namespace vorlan_driver {

NonIsolatedControllers::NonIsolatedControllers(NonIsolatedRegMaps& maps, CoolingModeWord& coolingModeWord,
                                               const basalt_caps::Caps& caps, uint32_t boardRevision,
                                               nKIVAPALS100::tStatus& status)
    : isoComm(maps.getFpgaMap()),
      power(maps.getFpgaMap(), maps.getIna231Map(), boardRevision),
      coolingMode(caps.requestedCoolingMode, coolingModeWord, power, status),
      errors(maps.getFpgaMap(), status),
      fifoOverflow(maps.getFpgaMap().MeasureFifoOverflowStatusReg, status) {}

}  // namespace vorlan_driver
