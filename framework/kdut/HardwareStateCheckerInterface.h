// A check that the hardware is what the driver expects.
#pragma once

#include "platform/status/tStatus.h"

namespace kdut {

class HardwareStateCheckerInterface {
 public:
  virtual ~HardwareStateCheckerInterface() {}
  virtual void checkHardwareState(nKIVAPALS100::tStatus& status) = 0;
};

}  // namespace kdut
