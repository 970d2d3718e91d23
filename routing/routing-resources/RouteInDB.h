// One route of the database: a complete copy of a calculated route, so it
// never refers to the arena of the calculation that made it.
#pragma once

#include <stdint.h>

#include "routing/topography/Route.h"

namespace kivark {

class RouteInDB {
 public:
  TerminalNode* finalTerminal() const { return segmentCount == 0 ? start : path[segmentCount - 1].terminal; }
  bool usesEdge(const EdgeNode* edge) const {
    for (uint32_t i = 0; i < segmentCount; ++i)
      if (path[i].edge == edge) return true;
    for (uint32_t i = 0; i < alternateCount; ++i)
      if (alternates[i].edge == edge) return true;
    return false;
  }

  Segment* path;
  uint32_t segmentCount;
  Segment* alternates;
  uint32_t alternateCount;
  TerminalNode* start;
  uint32_t id;
  uint32_t cost;
  uint64_t owner;
  uint32_t state;
  uint8_t parity;
};

}  // namespace kivark
