#include "device/frontEndAccessors/CpldAccessor.h"

#include "controllers/ControllerGuard.h"

namespace vorlan_driver {

CpldAccessor::CpldAccessor(vorlan_regmaps::tTheQuillIsoFpgaRegMap* isoMap) : isoMap_(isoMap) {}

void CpldAccessor::write(uint8_t index, uint32_t address, uint32_t data, nKIVAPALS100::tStatus& status) {
  vorlan_regmaps::tTheQuillIsoFpgaRegMap::tCpldAccessReg& reg = isoMap_->CpldAccessReg;
  ControllerGuard guard(reg.getLock(), status);
  if (!guard.holds()) return;
  reg.setCpldIndex(index).setCpldAddress(static_cast<uint8_t>(address)).setCpldData(data);
  // Forced: a word equal to the last one is still a new access.
  reg.flush(status, true);
}

}  // namespace vorlan_driver
