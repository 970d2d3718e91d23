// A storage map's field descriptors as a static object of the driver: the
// map's static constructor fills them while the driver loads and registers
// their destruction, so they exist from before the first device to after
// the last. Outside a load the table is empty and no field is defined.
#pragma once

#include <stdint.h>

#include "platform/cppRuntime/cppRunTime.h"
#include "storage/storageMap/StorageMapCommon.h"

namespace storagemap {

// `Records` holds a member array `fields` whose initializer is the map's
// field list.
template <typename Records>
class StaticFieldTable {
 public:
  static constexpr uint64_t kCount = sizeof(Records::fields) / sizeof(Records::fields[0]);

  // The map's static constructor; a second call while built does nothing.
  void construct() {
    if (!table_.isConstructed()) table_.construct();
  }

  // Null and 0 outside a load.
  const StorageMapCommon::FieldInfo* data() { return table_.isConstructed() ? table_.get().fields : nullptr; }
  uint64_t count() const { return table_.isConstructed() ? kCount : 0; }
  const StorageMapCommon::FieldInfo* record(uint64_t index) {
    return index < count() ? &table_.get().fields[index] : nullptr;
  }

 private:
  vorlan_driver::nKIVAPAL000::tStaticObject<Records> table_;
};

}  // namespace storagemap
