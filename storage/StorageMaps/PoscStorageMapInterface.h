// The named accessors of the Posc record, one group per field in field
// order.
#pragma once

#include <stdint.h>

#include "platform/status/tStatus.h"
#include "storage/StorageMaps/poscStorageMapFields.h"

namespace vorlan_storagemaps {

class PoscStorageMapInterface {
 public:
  virtual ~PoscStorageMapInterface() {}

#define VORLAN_POSC_FIELDS_DECLARE(form, T, code, name, Name, n, size) \
  STORAGEMAP_DECLARE_ACCESSORS_##form(T, Name, poscLayout::idOf(poscLayout::k##Name))
  VORLAN_POSC_FIELDS(VORLAN_POSC_FIELDS_DECLARE)
#undef VORLAN_POSC_FIELDS_DECLARE

 protected:
  PoscStorageMapInterface() {}
  PoscStorageMapInterface(const PoscStorageMapInterface&) = delete;
  PoscStorageMapInterface& operator=(const PoscStorageMapInterface&) = delete;
};

}  // namespace vorlan_storagemaps
