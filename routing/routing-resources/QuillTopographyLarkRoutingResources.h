// The routing resources of the 12-channel board.
#pragma once

#include "routing/routing-resources/SizedRoutingResources.h"
#include "routing/topography/QuillTopographyLark.h"

namespace QuillTopographyLark {

class RoutingResources : public kivark::SizedRoutingResources<kTerminalCount, kEdgeCount> {
 public:
  RoutingResources(kivark::RouteProgrammerInterface* programmer, nKIVAPALS100::tStatus& status)
      : SizedRoutingResources(kTopInfo, programmer, status) {}
};

}  // namespace QuillTopographyLark
