#include "storage/StorageMaps/CalibrationStorageMap.h"

#include "storage/storageMap/StaticFieldTable.h"

namespace vorlan_storagemaps {

namespace {

using storagemap::StorageMapCommon;
using storagemap::TypeCodeOf;

// Filled from the field list by the static constructor below.
struct Fields {
  StorageMapCommon::FieldInfo fields[calibrationLayout::kFieldCount] = {
#define VORLAN_CALIBRATION_DESCRIPTOR(form, T, name, Name, n)                                              \
  {#name, calibrationLayout::idOf(calibrationLayout::k##Name), calibrationLayout::idOf(calibrationLayout::k##Name), \
   (n), sizeof(T), TypeCodeOf<T>::value, sizeof(T), false},
      VORLAN_CALIBRATION_FIELDS(VORLAN_CALIBRATION_DESCRIPTOR)
#undef VORLAN_CALIBRATION_DESCRIPTOR
  };
};
storagemap::StaticFieldTable<Fields> gFields;

constexpr const char* kNames[] = {"DefaultCalibration", "FactoryCalibration", "ExternalCalibration", "SelfCalibration",
                                  nullptr};

}  // namespace

CalibrationStorageMap::CalibrationStorageMap(uint64_t offset, devicewindow::DeviceWindow& window)
    : CalibrationStorageMapInterface(),
      StorageMapCommon(kVersion, kOldestCompatibleVersion, kByteOrderAsInMemory, offset, calibrationLayout::kRecordSize,
                       &crc_, gFields.record(calibrationLayout::kChecksum), &window),
      crc_() {}

const StorageMapCommon::FieldInfo* CalibrationStorageMap::getFieldInfo(uint32_t id,
                                                                       nKIVAPALS100::tStatus& status) const {
  return findField(gFields.data(), gFields.count(), id, status);
}

void staticInit_CalibrationStorageMap() { gFields.construct(); }

const char* const* CalibrationStorageMap::getName() { return kNames; }

}  // namespace vorlan_storagemaps
