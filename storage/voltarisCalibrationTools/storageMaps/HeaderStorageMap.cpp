#include "storage/voltarisCalibrationTools/storageMaps/HeaderStorageMap.h"

namespace voltariscalibrationtools {

namespace {

using storagemap::StorageMapCommon;
namespace layout = headerLayout;

// Built by the compiler from the field list: no code runs at load.
constexpr StorageMapCommon::FieldInfo kFields[] = {
#define VORLAN_HEADER_FIELDS_DESCRIPTOR(form, T, code, name, Name, n, size) \
  {#name, layout::idOf(layout::k##Name), layout::idOf(layout::k##Name), (n), (size), ::storagemap::code, (size), false},
    VORLAN_HEADER_FIELDS(VORLAN_HEADER_FIELDS_DESCRIPTOR)
#undef VORLAN_HEADER_FIELDS_DESCRIPTOR
};
static_assert(sizeof(kFields) / sizeof(kFields[0]) == layout::kFieldCount, "one descriptor per field");
// A typed field's element is exactly its value type.
#define VORLAN_HEADER_FIELDS_SIZE(form, T, code, name, Name, n, size) \
  static_assert(::storagemap::code == ::storagemap::kTypeString || sizeof(T) == (size), #name);
VORLAN_HEADER_FIELDS(VORLAN_HEADER_FIELDS_SIZE)
#undef VORLAN_HEADER_FIELDS_SIZE

constexpr const char* kNames[] = {"Header", nullptr};

}  // namespace

HeaderStorageMap::HeaderStorageMap(uint64_t offset, devicewindow::DeviceWindow& window)
    : HeaderStorageMapInterface(),
      StorageMapCommon(kVersion, kOldestCompatibleVersion, kByteOrderAsInMemory, offset, layout::kRecordSize, &crc_,
                       &kFields[layout::kChecksum], &window),
      crc_() {}

const StorageMapCommon::FieldInfo* HeaderStorageMap::getFieldInfo(uint32_t id, nKIVAPALS100::tStatus& status) const {
  return findField(kFields, layout::kFieldCount, id, status);
}

const char* const* HeaderStorageMap::getName() { return kNames; }

}  // namespace voltariscalibrationtools
