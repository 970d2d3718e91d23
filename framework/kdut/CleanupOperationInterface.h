// Work a session leaves behind on the hardware, undone when it goes away.
#pragma once

#include "platform/status/tStatus.h"

namespace kdut {

class CleanupOperationInterface {
 public:
  virtual ~CleanupOperationInterface() {}
  virtual void cleanup(nKIVAPALS100::tStatus& status) = 0;
};

}  // namespace kdut
