#include "storage/voltarisCalibrationTools/storageMaps/HeaderStorageMap.h"

namespace voltariscalibrationtools {

namespace {

using storagemap::StorageMapCommon;
namespace layout = headerLayout;

// Built by the compiler from the field list: no code runs at load.
constexpr StorageMapCommon::FieldInfo kFields[] = {VORLAN_HEADER_FIELDS(STORAGEMAP_PACKED_DESCRIPTOR)};
static_assert(sizeof(kFields) / sizeof(kFields[0]) == layout::kFieldCount, "one descriptor per field");
VORLAN_HEADER_FIELDS(STORAGEMAP_PACKED_ELEMENT_SIZE)

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
