// The named accessors of the Manufacturing record, one group per field in field
// order.
#pragma once

#include <stdint.h>

#include "platform/status/tStatus.h"
#include "storage/StorageMaps/manufacturingStorageMapFields.h"

namespace vorlan_storagemaps {

class ManufacturingStorageMapInterface {
 public:
  virtual ~ManufacturingStorageMapInterface() {}

#define VORLAN_MANUFACTURING_FIELDS_DECLARE(form, T, code, name, Name, n, size) \
  STORAGEMAP_DECLARE_ACCESSORS_##form(T, Name, manufacturingLayout::idOf(manufacturingLayout::k##Name))
  VORLAN_MANUFACTURING_FIELDS(VORLAN_MANUFACTURING_FIELDS_DECLARE)
#undef VORLAN_MANUFACTURING_FIELDS_DECLARE

 protected:
  ManufacturingStorageMapInterface() {}
  ManufacturingStorageMapInterface(const ManufacturingStorageMapInterface&) = delete;
  ManufacturingStorageMapInterface& operator=(const ManufacturingStorageMapInterface&) = delete;
};

}  // namespace vorlan_storagemaps
