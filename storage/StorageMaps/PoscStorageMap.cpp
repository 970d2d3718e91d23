#include "storage/StorageMaps/PoscStorageMap.h"

namespace vorlan_storagemaps {

namespace {

using storagemap::StorageMapCommon;
namespace layout = poscLayout;

// Built by the compiler from the field list: no code runs at load.
constexpr StorageMapCommon::FieldInfo kFields[] = {
#define VORLAN_POSC_FIELDS_DESCRIPTOR(form, T, code, name, Name, n, size) \
  {#name, layout::idOf(layout::k##Name), layout::idOf(layout::k##Name), (n), (size), ::storagemap::code, (size), false},
    VORLAN_POSC_FIELDS(VORLAN_POSC_FIELDS_DESCRIPTOR)
#undef VORLAN_POSC_FIELDS_DESCRIPTOR
};
static_assert(sizeof(kFields) / sizeof(kFields[0]) == layout::kFieldCount, "one descriptor per field");
// A typed field's element is exactly its value type.
#define VORLAN_POSC_FIELDS_SIZE(form, T, code, name, Name, n, size) \
  static_assert(::storagemap::code == ::storagemap::kTypeString || sizeof(T) == (size), #name);
VORLAN_POSC_FIELDS(VORLAN_POSC_FIELDS_SIZE)
#undef VORLAN_POSC_FIELDS_SIZE

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
