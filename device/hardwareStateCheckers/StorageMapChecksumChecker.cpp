#include "device/hardwareStateCheckers/StorageMapChecksumChecker.h"

namespace vorlan_driver {

using nKIVAPALS100::tStatus;

bool StorageMapChecksumChecker::isValid(tStatus& status) {
  if (status.isFatal()) return false;
  storagemap::StorageMapInterface* const records[] = {
      &maps_->getDefaultCalibration(), &maps_->getFactoryCalibration(), &maps_->getExternalCalibration(),
      &maps_->getSelfCalibration(),    &maps_->getHeader(),             &maps_->getManufacturing()};
  for (storagemap::StorageMapInterface* record : records) {
    // Under the lock a user's raw write and flush hold, or a check between
    // them would report a mismatch that never was.
    nKIVAPAL000::tAutoLock<nKIVAPAL000::tMutex> lock(maps_->getRegistrationMutex(*record));
    if (!record->isChecksumValid(status)) return false;
  }
  return true;
}

void StorageMapChecksumChecker::checkHardwareState(tStatus& status) {
  if (status.isFatal()) return;
  if (!isValid(status)) vorlanSetCode(status, kChecksumMismatch);
}

}  // namespace vorlan_driver
