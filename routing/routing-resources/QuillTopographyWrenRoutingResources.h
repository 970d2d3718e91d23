// The routing resources of the 24-channel board.
#pragma once

#include "routing/routing-resources/SizedRoutingResources.h"
#include "routing/topography/QuillTopographyWren.h"

namespace QuillTopographyWren {

class RoutingResources : public kivark::SizedRoutingResources<kTerminalCount, kEdgeCount> {
 public:
  RoutingResources(kivark::RouteProgrammerInterface* programmer, nKIVAPALS100::tStatus& status)
      : SizedRoutingResources(kTopInfo, programmer, status) {}
};

}  // namespace QuillTopographyWren
