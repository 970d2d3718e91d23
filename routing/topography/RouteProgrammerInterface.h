// What the routing resources drive the hardware through: one call per
// program pair of an edge, bracketed by begin and end.
#pragma once

#include <stdint.h>

#include "platform/status/tStatus.h"

namespace kivark {

class RouteProgrammerInterface {
 public:
  virtual ~RouteProgrammerInterface() {}
  virtual void begin(nKIVAPALS100::tStatus& status) = 0;
  virtual void execute(uint32_t programmerArgument, uint32_t opcode, uint32_t value,
                       nKIVAPALS100::tStatus& status) = 0;
  virtual void end(nKIVAPALS100::tStatus& status) = 0;
};

}  // namespace kivark
