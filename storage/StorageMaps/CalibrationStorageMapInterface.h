// The named accessors of a calibration set, one group per field in field
// order.
#pragma once

#include <stdint.h>

#include "platform/status/tStatus.h"
#include "storage/StorageMaps/calibrationStorageMapFields.h"

namespace vorlan_storagemaps {

class CalibrationStorageMapInterface {
 public:
  virtual ~CalibrationStorageMapInterface() {}

#define VORLAN_CALIBRATION_DECLARE(form, T, name, Name, n) \
  STORAGEMAP_DECLARE_ACCESSORS_##form(T, Name, calibrationLayout::idOf(calibrationLayout::k##Name))
  VORLAN_CALIBRATION_FIELDS(VORLAN_CALIBRATION_DECLARE)
#undef VORLAN_CALIBRATION_DECLARE

 protected:
  CalibrationStorageMapInterface() {}
  CalibrationStorageMapInterface(const CalibrationStorageMapInterface&) = delete;
  CalibrationStorageMapInterface& operator=(const CalibrationStorageMapInterface&) = delete;
};

}  // namespace vorlan_storagemaps
