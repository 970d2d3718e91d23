#include "device/hardwareStateCheckers/StorageMapVersionChecker.h"

namespace vorlan_driver {

using nKIVAPALS100::tStatus;

namespace {

template <typename Map>
bool hasSupportedVersions(Map& map, uint32_t lowest, uint32_t highest, tStatus& status) {
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
    if (!hasSupportedVersions(*calibration, kLowestCalibrationVersion, kHighestCalibrationVersion, status)) {
      return false;
    }
  }
  return hasSupportedVersions(maps_->getHeader(), kLowestHeaderVersion, kHighestHeaderVersion, status) &&
         hasSupportedVersions(maps_->getManufacturing(), kLowestManufacturingVersion, kHighestManufacturingVersion,
                              status);
}

void StorageMapVersionChecker::checkHardwareState(tStatus& status) {
  if (status.isFatal()) return;
  if (!isValid(status)) vorlanSetCode(status, kVersionNotSupported);
}

}  // namespace vorlan_driver
