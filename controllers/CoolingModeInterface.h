// What the cooling-mode controller needs of the power controller: a way to
// make a cooling mode's DC current limit take effect.
#pragma once

#include <stdint.h>

#include "platform/status/tStatus.h"

namespace vorlan_driver {

class CoolingModeInterface {
 public:
  virtual ~CoolingModeInterface() {}
  virtual void applyCoolingMode(uint32_t mode, nKIVAPALS100::tStatus& status) = 0;

 protected:
  CoolingModeInterface() {}
  CoolingModeInterface(const CoolingModeInterface&) = delete;
  CoolingModeInterface& operator=(const CoolingModeInterface&) = delete;
};

}  // namespace vorlan_driver
