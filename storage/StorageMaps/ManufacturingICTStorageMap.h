// The record written at in-circuit test: its layout versions and the board's
// serial number. It has no checksum.
#pragma once

#include <stdint.h>

#include "storage/StorageMaps/ManufacturingICTStorageMapInterface.h"
#include "storage/StorageMaps/manufacturingICTStorageMapFields.h"
#include "storage/deviceWindow/DeviceWindow.h"
#include "storage/storageMap/StorageMapCommon.h"

namespace vorlan_storagemaps {

class ManufacturingICTStorageMap : public ManufacturingICTStorageMapInterface, public storagemap::StorageMapCommon {
 public:
  static constexpr const char* kVersion = "1.0.0d0";
  static constexpr const char* kOldestCompatibleVersion = "1.0.0d0";
  // The same versions as packed words, as the record stores them.
  static constexpr uint32_t kVersionWord = 0x01000000u;
  static constexpr uint32_t kOldestCompatibleVersionWord = 0x01000000u;

  // offset: the record's first byte in the window. Touches no window and
  // cannot fail.
  ManufacturingICTStorageMap(uint64_t offset, devicewindow::DeviceWindow& window);
  ~ManufacturingICTStorageMap() override {}

#define VORLAN_MANUFACTURING_ICT_FIELDS_IMPLEMENT(form, T, code, name, Name, n, size) \
  STORAGEMAP_IMPLEMENT_ACCESSORS_##form(T, Name, manufacturingICTLayout::idOf(manufacturingICTLayout::k##Name))
  VORLAN_MANUFACTURING_ICT_FIELDS(VORLAN_MANUFACTURING_ICT_FIELDS_IMPLEMENT)
#undef VORLAN_MANUFACTURING_ICT_FIELDS_IMPLEMENT

  const FieldInfo* getFieldInfo(uint32_t id, nKIVAPALS100::tStatus& status) const override;

  // The registration names of the record, ended by null.
  // The static constructor of the map's field descriptors, run once as the
  // driver loads.
  static void initializeFieldInfo();
  static const char* const* getName();
};

}  // namespace vorlan_storagemaps
