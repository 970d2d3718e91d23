// The header record: two free text fields that tools edit, under a CRC-32
// over bytes 4 to the record's end. Nothing in the driver compares the
// password with anything.
#pragma once

#include <stdint.h>

#include "storage/voltarisCalibrationTools/storageMaps/HeaderStorageMapInterface.h"
#include "storage/voltarisCalibrationTools/storageMaps/headerStorageMapFields.h"
#include "storage/deviceWindow/DeviceWindow.h"
#include "storage/storageMap/CRC32Checksum.h"
#include "storage/storageMap/StorageMapCommon.h"

namespace voltariscalibrationtools {

class HeaderStorageMap : public HeaderStorageMapInterface, public storagemap::StorageMapCommon {
 public:
  static constexpr const char* kVersion = "1.0.0d0";
  static constexpr const char* kOldestCompatibleVersion = "1.0.0d0";
  // The same versions as packed words, as the record stores them.
  static constexpr uint32_t kVersionWord = 0x01000000u;
  static constexpr uint32_t kOldestCompatibleVersionWord = 0x01000000u;

  // offset: the record's first byte in the window. Touches no window and
  // cannot fail.
  HeaderStorageMap(uint64_t offset, devicewindow::DeviceWindow& window);
  ~HeaderStorageMap() override {}

#define VORLAN_HEADER_FIELDS_IMPLEMENT(form, T, code, name, Name, n, size) \
  STORAGEMAP_IMPLEMENT_ACCESSORS_##form(T, Name, headerLayout::idOf(headerLayout::k##Name))
  VORLAN_HEADER_FIELDS(VORLAN_HEADER_FIELDS_IMPLEMENT)
#undef VORLAN_HEADER_FIELDS_IMPLEMENT

  const FieldInfo* getFieldInfo(uint32_t id, nKIVAPALS100::tStatus& status) const override;

  // The registration names of the record, ended by null.
  // The static constructor of the map's field descriptors, run once as the
  // driver loads.
  static void initializeFieldInfo();
  static const char* const* getName();

 private:
  storagemap::CRC32Checksum crc_;
};

}  // namespace voltariscalibrationtools
