#include "storage/StorageMaps/ManufacturingICTStorageMap.h"

namespace vorlan_storagemaps {

namespace {

using storagemap::StorageMapCommon;
namespace layout = manufacturingICTLayout;

// Built by the compiler from the field list: no code runs at load.
constexpr StorageMapCommon::FieldInfo kFields[] = {VORLAN_MANUFACTURING_ICT_FIELDS(STORAGEMAP_PACKED_DESCRIPTOR)};
static_assert(sizeof(kFields) / sizeof(kFields[0]) == layout::kFieldCount, "one descriptor per field");
VORLAN_MANUFACTURING_ICT_FIELDS(STORAGEMAP_PACKED_ELEMENT_SIZE)

constexpr const char* kNames[] = {"ManufacturingICT", nullptr};

}  // namespace

ManufacturingICTStorageMap::ManufacturingICTStorageMap(uint64_t offset, devicewindow::DeviceWindow& window)
    : ManufacturingICTStorageMapInterface(),
      StorageMapCommon(kVersion, kOldestCompatibleVersion, kByteOrderAsInMemory, offset, layout::kRecordSize, nullptr,
                       nullptr, &window) {}

const StorageMapCommon::FieldInfo* ManufacturingICTStorageMap::getFieldInfo(uint32_t id,
                                                                            nKIVAPALS100::tStatus& status) const {
  return findField(kFields, layout::kFieldCount, id, status);
}

const char* const* ManufacturingICTStorageMap::getName() { return kNames; }

}  // namespace vorlan_storagemaps
