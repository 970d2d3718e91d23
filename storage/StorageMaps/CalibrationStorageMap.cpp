#include "storage/StorageMaps/CalibrationStorageMap.h"

namespace vorlan_storagemaps {

namespace {

using storagemap::StorageMapCommon;
using storagemap::TypeCodeOf;

// Built by the compiler from the field list: no code runs at load.
constexpr StorageMapCommon::FieldInfo kFields[] = {
#define VORLAN_CALIBRATION_DESCRIPTOR(form, T, name, Name, n)                                              \
  {#name, calibrationLayout::idOf(calibrationLayout::k##Name), calibrationLayout::idOf(calibrationLayout::k##Name), \
   (n), sizeof(T), TypeCodeOf<T>::value, sizeof(T), false},
    VORLAN_CALIBRATION_FIELDS(VORLAN_CALIBRATION_DESCRIPTOR)
#undef VORLAN_CALIBRATION_DESCRIPTOR
};
static_assert(sizeof(kFields) / sizeof(kFields[0]) == calibrationLayout::kFieldCount, "one descriptor per field");

constexpr const char* kNames[] = {"DefaultCalibration", "FactoryCalibration", "ExternalCalibration", "SelfCalibration",
                                  nullptr};

}  // namespace

CalibrationStorageMap::CalibrationStorageMap(uint64_t offset, devicewindow::DeviceWindow& window)
    : CalibrationStorageMapInterface(),
      StorageMapCommon(kVersion, kOldestCompatibleVersion, kByteOrderAsInMemory, offset, calibrationLayout::kRecordSize,
                       &crc_, &kFields[calibrationLayout::kChecksum], &window),
      crc_() {}

const StorageMapCommon::FieldInfo* CalibrationStorageMap::getFieldInfo(uint32_t id,
                                                                       nKIVAPALS100::tStatus& status) const {
  return findField(kFields, calibrationLayout::kFieldCount, id, status);
}

const char* const* CalibrationStorageMap::getName() { return kNames; }

}  // namespace vorlan_storagemaps
