// What a DMA wait needs of a channel's stream controller.
#pragma once

#include <stdint.h>

#include "platform/status/tStatus.h"

namespace tarntools {

class DMAStreamInterface {
 public:
  virtual ~DMAStreamInterface() {}
  virtual void addCredit(uint32_t credit, nKIVAPALS100::tStatus& status) = 0;
  virtual void setThreshold(uint64_t threshold, nKIVAPALS100::tStatus& status) = 0;
  virtual uint64_t getTransferCount(nKIVAPALS100::tStatus& status) = 0;
  virtual void enableThresholdInterrupt() = 0;
  virtual void disableThresholdInterrupt() = 0;
};

}  // namespace tarntools
