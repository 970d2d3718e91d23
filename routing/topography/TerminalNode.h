// Run-time state of one terminal beside its constant record: where the
// running search reached it from and at what cost.
#pragma once

#include <stdint.h>

#include "routing/topography/EdgeNode.h"
#include "routing/topography/Terminal.h"

namespace kivark {

class TerminalNode {
 public:
  static constexpr uint32_t kUnreached = 0xFFFFFFFFu;
  static constexpr uint32_t kNotQueued = 0xFFFFFFFFu;

  TerminalNode()
      : terminal(nullptr), queueIndex(kNotQueued), order(0), predecessor(nullptr), reachingEdge(nullptr),
        cost(kUnreached), seed(0), destination(0) {}

  bool isEndpointOnly() const { return (terminal->flags & Terminal::kEndpointOnly) != 0; }
  bool isExclusive() const { return (terminal->flags & Terminal::kExclusive) != 0; }
  bool keepsItsRoute() const { return (terminal->flags & Terminal::kKeep) != 0; }

  const Terminal* terminal;
  // Place in the search's cost-ordered queue (kNotQueued when not in it) and
  // when it was put there: among equal costs the later comes first.
  uint32_t queueIndex;
  uint32_t order;
  TerminalNode* predecessor;
  EdgeNode* reachingEdge;
  uint32_t cost;
  uint8_t seed;
  uint8_t destination;
};

}  // namespace kivark
