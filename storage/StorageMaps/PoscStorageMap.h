// The 32 KiB block of bytes at the start of the flash. The driver never
// interprets it; it only moves its bytes.
#pragma once

#include <stdint.h>

#include "storage/StorageMaps/PoscStorageMapInterface.h"
#include "storage/StorageMaps/poscStorageMapFields.h"
#include "storage/deviceWindow/DeviceWindow.h"
#include "storage/storageMap/StorageMapCommon.h"

namespace vorlan_storagemaps {

class PoscStorageMap : public PoscStorageMapInterface, public storagemap::StorageMapCommon {
 public:
  static constexpr const char* kVersion = "1.0.0d0";
  static constexpr const char* kOldestCompatibleVersion = "1.0.0d0";
  // The same versions as packed words, as the record stores them.
  static constexpr uint32_t kVersionWord = 0x01000000u;
  static constexpr uint32_t kOldestCompatibleVersionWord = 0x01000000u;

  // offset: the record's first byte in the window. Touches no window and
  // cannot fail.
  PoscStorageMap(uint64_t offset, devicewindow::DeviceWindow& window);
  ~PoscStorageMap() override {}

#define VORLAN_POSC_FIELDS_IMPLEMENT(form, T, code, name, Name, n, size) \
  STORAGEMAP_IMPLEMENT_ACCESSORS_##form(T, Name, poscLayout::idOf(poscLayout::k##Name))
  VORLAN_POSC_FIELDS(VORLAN_POSC_FIELDS_IMPLEMENT)
#undef VORLAN_POSC_FIELDS_IMPLEMENT

  const FieldInfo* getFieldInfo(uint32_t id, nKIVAPALS100::tStatus& status) const override;

  // The registration names of the record, ended by null.
  static const char* const* getName();
};

// The static constructor of the map's field descriptors, run once as the
// driver loads.
void staticInit_PoscStorageMap();

}  // namespace vorlan_storagemaps
