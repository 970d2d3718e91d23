// Run-time state of one edge beside its constant record: how many reserved
// and programmed routes use it, and whether the search may take it.
#pragma once

#include <stdint.h>

#include "routing/topography/Edge.h"

namespace kivark {

class EdgeNode {
 public:
  EdgeNode() : edge(nullptr), reservedCount(0), programmedCount(0), available(1) {}

  const Edge* edge;
  uint32_t reservedCount;
  uint32_t programmedCount;
  uint8_t available;
};

}  // namespace kivark
