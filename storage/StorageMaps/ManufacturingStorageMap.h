// The manufacturing record: the board's serial number and revision, which
// start-up reads, under a CRC-32 over bytes 4 to the record's end.
#pragma once

#include <stdint.h>

#include "storage/StorageMaps/ManufacturingStorageMapInterface.h"
#include "storage/StorageMaps/manufacturingStorageMapFields.h"
#include "storage/deviceWindow/DeviceWindow.h"
#include "storage/storageMap/CRC32Checksum.h"
#include "storage/storageMap/StorageMapCommon.h"

namespace vorlan_storagemaps {

class ManufacturingStorageMap : public ManufacturingStorageMapInterface, public storagemap::StorageMapCommon {
 public:
  static constexpr const char* kVersion = "1.0.0d0";
  static constexpr const char* kOldestCompatibleVersion = "1.0.0d0";
  // The same versions as packed words, as the record stores them.
  static constexpr uint32_t kVersionWord = 0x01000000u;
  static constexpr uint32_t kOldestCompatibleVersionWord = 0x01000000u;

  // offset: the record's first byte in the window. Touches no window and
  // cannot fail.
  ManufacturingStorageMap(uint64_t offset, devicewindow::DeviceWindow& window);
  ~ManufacturingStorageMap() override {}

#define VORLAN_MANUFACTURING_FIELDS_IMPLEMENT(form, T, code, name, Name, n, size) \
  STORAGEMAP_IMPLEMENT_ACCESSORS_##form(T, Name, manufacturingLayout::idOf(manufacturingLayout::k##Name))
  VORLAN_MANUFACTURING_FIELDS(VORLAN_MANUFACTURING_FIELDS_IMPLEMENT)
#undef VORLAN_MANUFACTURING_FIELDS_IMPLEMENT

  const FieldInfo* getFieldInfo(uint32_t id, nKIVAPALS100::tStatus& status) const override;

  // The registration names of the record, ended by null.
  static const char* const* getName();

 private:
  storagemap::CRC32Checksum crc_;
};

// The static constructor of the map's field descriptors, run once as the
// driver loads.
void staticInit_ManufacturingStorageMap();

}  // namespace vorlan_storagemaps
