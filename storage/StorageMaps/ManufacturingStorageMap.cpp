#include "storage/StorageMaps/ManufacturingStorageMap.h"

#include "storage/storageMap/StaticFieldTable.h"

namespace vorlan_storagemaps {

namespace {

using storagemap::StorageMapCommon;
namespace layout = manufacturingLayout;

// Filled from the field list by the static constructor below.
struct Fields {
  StorageMapCommon::FieldInfo fields[layout::kFieldCount] = {VORLAN_MANUFACTURING_FIELDS(STORAGEMAP_PACKED_DESCRIPTOR)};
};
storagemap::StaticFieldTable<Fields> gFields;
VORLAN_MANUFACTURING_FIELDS(STORAGEMAP_PACKED_ELEMENT_SIZE)

constexpr const char* kNames[] = {"Manufacturing", nullptr};

}  // namespace

ManufacturingStorageMap::ManufacturingStorageMap(uint64_t offset, devicewindow::DeviceWindow& window)
    : ManufacturingStorageMapInterface(),
      StorageMapCommon(kVersion, kOldestCompatibleVersion, kByteOrderAsInMemory, offset, layout::kRecordSize, &crc_,
                       gFields.record(layout::kChecksum), &window),
      crc_() {}

const StorageMapCommon::FieldInfo* ManufacturingStorageMap::getFieldInfo(uint32_t id,
                                                                         nKIVAPALS100::tStatus& status) const {
  return findField(gFields.data(), gFields.count(), id, status);
}

void staticInit_ManufacturingStorageMap() { gFields.construct(); }

const char* const* ManufacturingStorageMap::getName() { return kNames; }

}  // namespace vorlan_storagemaps
