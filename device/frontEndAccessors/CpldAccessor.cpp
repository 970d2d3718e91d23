#include "device/frontEndAccessors/CpldAccessor.h"

#include "platform/status/statusCodes.h"
#include "platform/synchronization/tAutoLock.h"

namespace vorlan_driver {

CpldAccessor::CpldAccessor(vorlan_regmaps::tTheQuillIsoFpgaRegMap* isoMap) : isoMap_(isoMap) {}

void CpldAccessor::write(uint8_t index, uint32_t address, uint32_t data, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  vorlan_regmaps::tTheQuillIsoFpgaRegMap::tCpldAccessReg& reg = isoMap_->CpldAccessReg;
  nKIVAPAL000::tMutex& lock = reg.getLock();
  if (!lock.isCreated()) {
    vorlanSetCode(status, statusCodes::kOutOfMemory);
    return;
  }
  nKIVAPAL000::tAutoLock<nKIVAPAL000::tMutex> hold(lock);
  reg.setCpldIndex(index).setCpldAddress(static_cast<uint8_t>(address)).setCpldData(data);
  // Forced: a word equal to the last one is still a new access.
  reg.flush(status, true);
}

}  // namespace vorlan_driver
