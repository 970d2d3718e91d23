#include "storage/StorageMaps/PoscStorageMap.h"

namespace vorlan_storagemaps {

namespace {

using storagemap::StorageMapCommon;
namespace layout = poscLayout;

// Built by the compiler from the field list: no code runs at load.
constexpr StorageMapCommon::FieldInfo kFields[] = {VORLAN_POSC_FIELDS(STORAGEMAP_PACKED_DESCRIPTOR)};
static_assert(sizeof(kFields) / sizeof(kFields[0]) == layout::kFieldCount, "one descriptor per field");
VORLAN_POSC_FIELDS(STORAGEMAP_PACKED_ELEMENT_SIZE)

constexpr const char* kNames[] = {"Posc", nullptr};

}  // namespace

PoscStorageMap::PoscStorageMap(uint64_t offset, devicewindow::DeviceWindow& window)
    : PoscStorageMapInterface(),
      StorageMapCommon(kVersion, kOldestCompatibleVersion, kByteOrderAsInMemory, offset, layout::kRecordSize, nullptr,
                       nullptr, &window) {}

const StorageMapCommon::FieldInfo* PoscStorageMap::getFieldInfo(uint32_t id, nKIVAPALS100::tStatus& status) const {
  return findField(kFields, layout::kFieldCount, id, status);
}

const char* const* PoscStorageMap::getName() { return kNames; }

}  // namespace vorlan_storagemaps
