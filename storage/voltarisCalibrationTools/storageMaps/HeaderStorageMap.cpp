#include "storage/voltarisCalibrationTools/storageMaps/HeaderStorageMap.h"

#include "storage/storageMap/StaticFieldTable.h"

namespace voltariscalibrationtools {

namespace {

using storagemap::StorageMapCommon;
namespace layout = headerLayout;

// Filled from the field list by the static constructor below.
struct Fields {
  StorageMapCommon::FieldInfo fields[layout::kFieldCount] = {VORLAN_HEADER_FIELDS(STORAGEMAP_PACKED_DESCRIPTOR)};
};
storagemap::StaticFieldTable<Fields> gFields;
VORLAN_HEADER_FIELDS(STORAGEMAP_PACKED_ELEMENT_SIZE)

constexpr const char* kNames[] = {"Header", nullptr};

}  // namespace

HeaderStorageMap::HeaderStorageMap(uint64_t offset, devicewindow::DeviceWindow& window)
    : HeaderStorageMapInterface(),
      StorageMapCommon(kVersion, kOldestCompatibleVersion, kByteOrderAsInMemory, offset, layout::kRecordSize, &crc_,
                       gFields.record(layout::kChecksum), &window),
      crc_() {}

const StorageMapCommon::FieldInfo* HeaderStorageMap::getFieldInfo(uint32_t id, nKIVAPALS100::tStatus& status) const {
  return findField(gFields.data(), gFields.count(), id, status);
}

void HeaderStorageMap::initializeFieldInfo() { gFields.construct(); }

const char* const* HeaderStorageMap::getName() { return kNames; }

}  // namespace voltariscalibrationtools
