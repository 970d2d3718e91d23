#include "device/hardwareStateCheckers/StorageMapVersionChecker.h"

namespace vorlan_driver {

using nKIVAPALS100::tStatus;

namespace {

// Both versions under the lock a user's raw write and flush hold, so the
// pair read is one that was stored together.
template <typename Map>
bool hasSupportedVersions(vorlan_storagemaps::QuillStorageMaps& maps, Map& map, uint32_t lowest, uint32_t highest,
                          tStatus& status) {
  nKIVAPAL000::tAutoLock<nKIVAPAL000::tMutex> lock(maps.getRegistrationMutex(map));
  const uint32_t oldest = map.getOldestCompatibleMapVersion(status).word;
  const uint32_t current = map.getMapVersion(status).word;
  return status.isNotFatal() && StorageMapVersionChecker::isSupported(oldest, current, lowest, highest);
}

}  // namespace

bool StorageMapVersionChecker::isValid(tStatus& status) {
  if (status.isFatal()) return false;
  vorlan_storagemaps::CalibrationStorageMap* const calibrations[] = {
      &maps_->getDefaultCalibration(), &maps_->getFactoryCalibration(), &maps_->getExternalCalibration(),
      &maps_->getSelfCalibration()};
  for (vorlan_storagemaps::CalibrationStorageMap* calibration : calibrations) {
    if (!hasSupportedVersions(*maps_, *calibration, kLowestCalibrationVersion, kHighestCalibrationVersion, status)) {
      return false;
    }
  }
  return hasSupportedVersions(*maps_, maps_->getHeader(), kLowestHeaderVersion, kHighestHeaderVersion, status) &&
         hasSupportedVersions(*maps_, maps_->getManufacturing(), kLowestManufacturingVersion,
                              kHighestManufacturingVersion, status);
}

void StorageMapVersionChecker::checkHardwareState(tStatus& status) {
  if (status.isFatal()) return;
  if (!isValid(status)) vorlanSetCode(status, kVersionNotSupported);
}

}  // namespace vorlan_driver
