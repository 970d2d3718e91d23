// The board's accessor for access window p: channel p's window for p below
// 24, the isolated FPGA's own for p = 24.
#pragma once

#include <stdint.h>

#include "framework/frontEndAccessors/WindowedFrontEndAccessor.h"
#include "regmaps/nonisolated/nTheQuillConstants.h"
#include "regmaps/nonisolated/nTheQuillDcBusConstants.h"
#include "regmaps/nonisolated/tTheQuillNisoFpgaRegMap.h"

namespace vorlan_driver {

using tNisoWindowedFrontEndAccessor = voltarissharedsource::WindowedFrontEndAccessor<
    vorlan_regmaps::tTheQuillNisoFpgaRegMap, vorlan_regmaps::nTheQuillDcBusConstants::IsoRegAccessType,
    vorlan_regmaps::nTheQuillDcBusConstants::kIsoRegAccessRead,
    vorlan_regmaps::nTheQuillDcBusConstants::kIsoRegAccessWrite>;

template <vorlan_regmaps::nTheQuillConstants::ChPortTypes kPort>
class WindowedFrontEndAccessor : public tNisoWindowedFrontEndAccessor {
 public:
  static_assert(kPort < vorlan_regmaps::nTheQuillConstants::kChPortCount, "a window with an accessor");

  WindowedFrontEndAccessor(vorlan_regmaps::tTheQuillNisoFpgaRegMap& map,
                           kdut::HardwareStateCheckerInterface* errorChecker, nKIVAPALS100::tStatus& status)
      : tNisoWindowedFrontEndAccessor(map.IsoRegAccessStatusRegType[kPort], map.IsoRegAccessAddrRegType[kPort],
                                      map.IsoRegAccessWriteDataRegType[kPort], map.IsoRegAccessReadDataRegType[kPort],
                                      errorChecker, status) {}
  ~WindowedFrontEndAccessor() override {}
};

}  // namespace vorlan_driver
