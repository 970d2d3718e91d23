// Routing resources with the node arrays of a topography of known size
// embedded, so that one allocation makes the whole object. The tables
// given must be of that size.
#pragma once

#include <stdint.h>

#include "routing/routing-resources/RoutingResources.h"

namespace kivark {

template <uint32_t kTerminals, uint32_t kEdges>
class TopographyNodeArrays {
 protected:
  TerminalNode terminalNodes_[kTerminals];
  EdgeNode edgeNodes_[kEdges];
  TerminalNode* queue_[kTerminals];
};

template <uint32_t kTerminals, uint32_t kEdges>
class SizedRoutingResources : private TopographyNodeArrays<kTerminals, kEdges>,
                              public RoutingResources<Terminal*, Edge*> {
 public:
  SizedRoutingResources(const TopInfo& info, RouteProgrammerInterface* programmer, nKIVAPALS100::tStatus& status)
      : RoutingResources<Terminal*, Edge*>(info, this->terminalNodes_, this->edgeNodes_, this->queue_, programmer,
                                           status) {}
  ~SizedRoutingResources() override { getTopography().unlinkAll(); }
};

}  // namespace kivark
