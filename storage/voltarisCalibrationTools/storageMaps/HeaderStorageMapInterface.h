// The named accessors of the Header record, one group per field in field
// order.
#pragma once

#include <stdint.h>

#include "platform/status/tStatus.h"
#include "storage/voltarisCalibrationTools/storageMaps/headerStorageMapFields.h"

namespace voltariscalibrationtools {

class HeaderStorageMapInterface {
 public:
  virtual ~HeaderStorageMapInterface() {}

#define VORLAN_HEADER_FIELDS_DECLARE(form, T, code, name, Name, n, size) \
  STORAGEMAP_DECLARE_ACCESSORS_##form(T, Name, headerLayout::idOf(headerLayout::k##Name))
  VORLAN_HEADER_FIELDS(VORLAN_HEADER_FIELDS_DECLARE)
#undef VORLAN_HEADER_FIELDS_DECLARE

 protected:
  HeaderStorageMapInterface() {}
  HeaderStorageMapInterface(const HeaderStorageMapInterface&) = delete;
  HeaderStorageMapInterface& operator=(const HeaderStorageMapInterface&) = delete;
};

}  // namespace voltariscalibrationtools
