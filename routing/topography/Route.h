// A route as a calculation makes it, in the calculation's arena.
#pragma once

#include <stdint.h>

#include "routing/topography/PathSegment.h"
#include "routing/topography/TerminalNode.h"

namespace kivark {

typedef kivgta::PathSegment<TerminalNode, EdgeNode> Segment;

class Route {
 public:
  static constexpr uint32_t kCalculated = 100;
  static constexpr uint32_t kReserved = 200;
  static constexpr uint32_t kProgrammed = 300;

  // A route without segments starts and ends at the same terminal.
  TerminalNode* finalTerminal() const { return segmentCount == 0 ? start : path[segmentCount - 1].terminal; }

  TerminalNode* start;
  Segment* path;
  uint32_t cost;
  uint32_t segmentCount;
  uint64_t owner;
  uint32_t state;
  uint8_t parity;
  uint32_t alternateCount;
  Segment* alternates;
};

}  // namespace kivark
