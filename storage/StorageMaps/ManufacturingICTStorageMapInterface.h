// The named accessors of the ManufacturingICT record, one group per field in field
// order.
#pragma once

#include <stdint.h>

#include "platform/status/tStatus.h"
#include "storage/StorageMaps/manufacturingICTStorageMapFields.h"

namespace vorlan_storagemaps {

class ManufacturingICTStorageMapInterface {
 public:
  virtual ~ManufacturingICTStorageMapInterface() {}

#define VORLAN_MANUFACTURING_ICT_FIELDS_DECLARE(form, T, code, name, Name, n, size) \
  STORAGEMAP_DECLARE_ACCESSORS_##form(T, Name, manufacturingICTLayout::idOf(manufacturingICTLayout::k##Name))
  VORLAN_MANUFACTURING_ICT_FIELDS(VORLAN_MANUFACTURING_ICT_FIELDS_DECLARE)
#undef VORLAN_MANUFACTURING_ICT_FIELDS_DECLARE

 protected:
  ManufacturingICTStorageMapInterface() {}
  ManufacturingICTStorageMapInterface(const ManufacturingICTStorageMapInterface&) = delete;
  ManufacturingICTStorageMapInterface& operator=(const ManufacturingICTStorageMapInterface&) = delete;
};

}  // namespace vorlan_storagemaps
