// The board's accessor types, instantiated once here so that the driver
// object carries their code.
#include "device/frontEndAccessors/ChassisPowerMonitorFrontEndAccessor.h"
#include "device/frontEndAccessors/QuillChannelBaseAddressCalculator.h"
#include "device/frontEndAccessors/WindowedFrontEndAccessor.h"

template class voltarissharedsource::WindowedFrontEndAccessor<
    vorlan_regmaps::tTheQuillNisoFpgaRegMap, vorlan_regmaps::nTheQuillDcBusConstants::IsoRegAccessType,
    vorlan_regmaps::nTheQuillDcBusConstants::kIsoRegAccessRead,
    vorlan_regmaps::nTheQuillDcBusConstants::kIsoRegAccessWrite>;
template class vorlan_driver::internal::ChassisPowerMonitorFrontEndAccessor<
    vorlan_regmaps::tTheQuillNisoFpgaRegMap::tChassisPowerMonConfigReg,
    vorlan_regmaps::tTheQuillNisoFpgaRegMap::tChassisPowerMonReadReg, 2097152u, 536870912u, 0u>;
template class voltarissharedsource::QuillicChannelBaseAddressCalculator<1u, 12u, 7u>;
