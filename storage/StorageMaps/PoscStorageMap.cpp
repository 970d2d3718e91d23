#include "storage/StorageMaps/PoscStorageMap.h"

#include "storage/storageMap/StaticFieldTable.h"

namespace vorlan_storagemaps {

namespace {

using storagemap::StorageMapCommon;
namespace layout = poscLayout;

// Filled from the field list by the static constructor below.
struct Fields {
  StorageMapCommon::FieldInfo fields[layout::kFieldCount] = {VORLAN_POSC_FIELDS(STORAGEMAP_PACKED_DESCRIPTOR)};
};
storagemap::StaticFieldTable<Fields> gFields;
VORLAN_POSC_FIELDS(STORAGEMAP_PACKED_ELEMENT_SIZE)

constexpr const char* kNames[] = {"Posc", nullptr};

}  // namespace

PoscStorageMap::PoscStorageMap(uint64_t offset, devicewindow::DeviceWindow& window)
    : PoscStorageMapInterface(),
      StorageMapCommon(kVersion, kOldestCompatibleVersion, kByteOrderAsInMemory, offset, layout::kRecordSize, nullptr,
                       nullptr, &window) {}

const StorageMapCommon::FieldInfo* PoscStorageMap::getFieldInfo(uint32_t id, nKIVAPALS100::tStatus& status) const {
  return findField(gFields.data(), gFields.count(), id, status);
}

void staticInit_PoscStorageMap() { gFields.construct(); }

const char* const* PoscStorageMap::getName() { return kNames; }

}  // namespace vorlan_storagemaps
