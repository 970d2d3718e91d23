// Whether a channel's measure FIFO overflowed: what a measure unit's reset
// waits on. The non-isolated FPGA's overflow status answers it.
#pragma once

#include <stdint.h>

#include "platform/status/tStatus.h"

namespace vorlan_driver {

class MeasureOverflowQueryInterface {
 public:
  virtual ~MeasureOverflowQueryInterface() {}
  virtual bool isOverflowed(uint8_t channel, nKIVAPALS100::tStatus& status) = 0;
};

}  // namespace vorlan_driver
