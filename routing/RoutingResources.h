// What a routing session routes over: the graph of the board's variant.
// Stand-in until the routing kernel exists; it only has to be handed out
// and withdrawn.
#pragma once

#include <stdint.h>

namespace kivark {

struct RoutingResources {
  uint32_t variant;
};

}  // namespace kivark
