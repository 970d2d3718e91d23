// The board's chassis power-monitor accessor over the non-isolated FPGA's
// relay registers: read done is bit 21, busy bit 29, idle when busy is 0.
#pragma once

#include "framework/frontEndAccessors/ChassisPowerMonitorFrontEndAccessor.h"
#include "regmaps/nonisolated/tTheQuillNisoFpgaRegMap.h"

namespace vorlan_driver {

using tNisoChassisPowerMonitorFrontEndAccessor =
    internal::ChassisPowerMonitorFrontEndAccessor<vorlan_regmaps::tTheQuillNisoFpgaRegMap::tChassisPowerMonConfigReg,
                                                  vorlan_regmaps::tTheQuillNisoFpgaRegMap::tChassisPowerMonReadReg,
                                                  2097152u, 536870912u, 0u>;

}  // namespace vorlan_driver
