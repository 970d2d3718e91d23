// Chooses the board's topography by PCI subsystem identifier and makes the
// routing resources over it and the manager that hands them to sessions.
// Made on the stack for the set-up and dropped after it.
#pragma once

#include <stdint.h>

#include "platform/status/tStatus.h"
#include "routing/RoutingResourcesManager.h"
#include "routing/routing-resources/RoutingResourcesInterface.h"
#include "routing/topography/RouteProgrammerInterface.h"

namespace vorlan_driver {

class RoutingResourcesFactory {
 public:
  // A subsystem identifier of neither board variant.
  static constexpr int32_t kUnknownVariant = static_cast<int32_t>(0xBFFA4304u);

  RoutingResourcesFactory() {}
  virtual ~RoutingResourcesFactory() {}

  // Null with the status failed when the identifier names no variant, the
  // memory is short or the resources could not be set up.
  kivark::RoutingResourcesInterface* createRoutingResources(uint32_t pciSubsystemID,
                                                             kivark::RouteProgrammerInterface* programmer,
                                                             nKIVAPALS100::tStatus& status);
  kivark::RoutingResourcesManager* createRoutingResourcesManager(uint32_t pciSubsystemID,
                                                                  nKIVAPALS100::tStatus& status);
};

}  // namespace vorlan_driver
