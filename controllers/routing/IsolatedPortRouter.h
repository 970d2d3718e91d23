// What the route programmer needs of the isolated-port switch: one channel
// slot routed with one route code. The isolated-port controller provides it.
#pragma once

#include <stdint.h>

#include "platform/status/tStatus.h"

namespace vorlan_driver {

class IsolatedPortRouter {
 public:
  virtual ~IsolatedPortRouter() {}
  virtual void routeChannel(uint32_t slot, uint32_t code, nKIVAPALS100::tStatus& status) = 0;
};

}  // namespace vorlan_driver
