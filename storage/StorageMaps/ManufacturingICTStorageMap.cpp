#include "storage/StorageMaps/ManufacturingICTStorageMap.h"

#include "storage/storageMap/StaticFieldTable.h"

namespace vorlan_storagemaps {

namespace {

using storagemap::StorageMapCommon;
namespace layout = manufacturingICTLayout;

// Filled from the field list by the static constructor below.
struct Fields {
  StorageMapCommon::FieldInfo fields[layout::kFieldCount] = {VORLAN_MANUFACTURING_ICT_FIELDS(STORAGEMAP_PACKED_DESCRIPTOR)};
};
storagemap::StaticFieldTable<Fields> gFields;
VORLAN_MANUFACTURING_ICT_FIELDS(STORAGEMAP_PACKED_ELEMENT_SIZE)

constexpr const char* kNames[] = {"ManufacturingICT", nullptr};

}  // namespace

ManufacturingICTStorageMap::ManufacturingICTStorageMap(uint64_t offset, devicewindow::DeviceWindow& window)
    : ManufacturingICTStorageMapInterface(),
      StorageMapCommon(kVersion, kOldestCompatibleVersion, kByteOrderAsInMemory, offset, layout::kRecordSize, nullptr,
                       nullptr, &window) {}

const StorageMapCommon::FieldInfo* ManufacturingICTStorageMap::getFieldInfo(uint32_t id,
                                                                            nKIVAPALS100::tStatus& status) const {
  return findField(gFields.data(), gFields.count(), id, status);
}

void ManufacturingICTStorageMap::initializeFieldInfo() { gFields.construct(); }

const char* const* ManufacturingICTStorageMap::getName() { return kNames; }

}  // namespace vorlan_storagemaps
