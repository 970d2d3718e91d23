// One set of calibration constants in the flash. The board carries four,
// one object each at its own offset; the map interprets no value.
#pragma once

#include <stdint.h>

#include "storage/StorageMaps/CalibrationStorageMapInterface.h"
#include "storage/StorageMaps/calibrationStorageMapFields.h"
#include "storage/deviceWindow/DeviceWindow.h"
#include "storage/storageMap/CRC32Checksum.h"
#include "storage/storageMap/StorageMapCommon.h"

namespace vorlan_storagemaps {

class CalibrationStorageMap : public CalibrationStorageMapInterface, public storagemap::StorageMapCommon {
 public:
  static constexpr const char* kVersion = "1.0.0d7";
  static constexpr const char* kOldestCompatibleVersion = "1.0.0d5";
  // The same versions as packed words, as the record stores them.
  static constexpr uint32_t kVersionWord = 0x01000007u;
  static constexpr uint32_t kOldestCompatibleVersionWord = 0x01000005u;

  // offset: the record's first byte in the window. Touches no window and
  // cannot fail.
  CalibrationStorageMap(uint64_t offset, devicewindow::DeviceWindow& window);
  ~CalibrationStorageMap() override {}

#define VORLAN_CALIBRATION_IMPLEMENT(form, T, name, Name, n) \
  STORAGEMAP_IMPLEMENT_ACCESSORS_##form(T, Name, calibrationLayout::idOf(calibrationLayout::k##Name))
  VORLAN_CALIBRATION_FIELDS(VORLAN_CALIBRATION_IMPLEMENT)
#undef VORLAN_CALIBRATION_IMPLEMENT

  const FieldInfo* getFieldInfo(uint32_t id, nKIVAPALS100::tStatus& status) const override;

  // The registration names of the four sets, ended by null.
  static const char* const* getName();

 private:
  storagemap::CRC32Checksum crc_;
};

// The static constructor of the map's field descriptors, run once as the
// driver loads.
void staticInit_CalibrationStorageMap();

}  // namespace vorlan_storagemaps
