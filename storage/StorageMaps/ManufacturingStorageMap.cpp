#include "storage/StorageMaps/ManufacturingStorageMap.h"

namespace vorlan_storagemaps {

namespace {

using storagemap::StorageMapCommon;
namespace layout = manufacturingLayout;

// Built by the compiler from the field list: no code runs at load.
constexpr StorageMapCommon::FieldInfo kFields[] = {VORLAN_MANUFACTURING_FIELDS(STORAGEMAP_PACKED_DESCRIPTOR)};
static_assert(sizeof(kFields) / sizeof(kFields[0]) == layout::kFieldCount, "one descriptor per field");
VORLAN_MANUFACTURING_FIELDS(STORAGEMAP_PACKED_ELEMENT_SIZE)

constexpr const char* kNames[] = {"Manufacturing", nullptr};

}  // namespace

ManufacturingStorageMap::ManufacturingStorageMap(uint64_t offset, devicewindow::DeviceWindow& window)
    : ManufacturingStorageMapInterface(),
      StorageMapCommon(kVersion, kOldestCompatibleVersion, kByteOrderAsInMemory, offset, layout::kRecordSize, &crc_,
                       &kFields[layout::kChecksum], &window),
      crc_() {}

const StorageMapCommon::FieldInfo* ManufacturingStorageMap::getFieldInfo(uint32_t id,
                                                                         nKIVAPALS100::tStatus& status) const {
  return findField(kFields, layout::kFieldCount, id, status);
}

const char* const* ManufacturingStorageMap::getName() { return kNames; }

}  // namespace vorlan_storagemaps
