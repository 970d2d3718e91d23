// The board's routing objects: the route programmer over the board's maps
// and isolated-port switch, the routing resources of the board's topography
// and the manager that hands them to sessions. Start-up makes them while it
// climbs from level 18 to 19, in that order, since the resources program
// through the programmer; teardown and reset delete them in reverse, after
// the manager has taken the resources back from every session.
#pragma once

#include <stdint.h>

#include "controllers/routing/IsolatedPortRouter.h"
#include "controllers/routing/RegMapRouteProgrammer.h"
#include "platform/status/tStatus.h"
#include "routing/RoutingResourcesManager.h"
#include "routing/routing-resources/RoutingResourcesInterface.h"

namespace vorlan_driver {

class BoardRouting {
 public:
  typedef RegMapRouteProgrammer::tRegMap tRegMap;

  static constexpr uint32_t kChannelMapCount = RegMapRouteProgrammer::kChannelMapCount;

  BoardRouting() : channelMaps_(), programmer_(nullptr), resources_(nullptr), manager_(nullptr) {}
  ~BoardRouting() { destroyRouting(); }
  BoardRouting(const BoardRouting&) = delete;
  BoardRouting& operator=(const BoardRouting&) = delete;

  // `channelMaps` holds kChannelMapCount maps of any map class; none of
  // the maps nor the switch is owned, and all must outlive the routing
  // objects. A step that fails stops the set-up and keeps what the steps
  // before it made, which destroyRouting deletes; nothing is made twice.
  template <typename ChannelMap>
  void createRouting(uint32_t pciSubsystemID, tRegMap* nisoFpgaMap, tRegMap* isoFpgaMap,
                     ChannelMap* const* channelMaps, IsolatedPortRouter* isolatedPort, nKIVAPALS100::tStatus& status) {
    if (status.isFatal() || programmer_ != nullptr) return;
    // The programmer reads the maps through their common interface, from an
    // array of its own kind that lives as long as it does.
    for (uint32_t c = 0; c < kChannelMapCount; ++c) channelMaps_[c] = channelMaps[c];
    makeObjects(pciSubsystemID, nisoFpgaMap, isoFpgaMap, isolatedPort, status);
  }
  // Withdraws the resources from every session (each session still
  // listening hears of it once), then deletes manager, resources and
  // programmer. Routing sessions must be released before the manager goes:
  // theirs is the last call they make on it.
  void destroyRouting();

  // Null until made, or when their step failed.
  kivark::RouteProgrammerInterface* getRouteProgrammer() { return programmer_; }
  kivark::RoutingResourcesInterface* getRoutingResources() { return resources_; }
  kivark::RoutingResourcesManager* getRoutingResourcesManager() { return manager_; }

 private:
  void makeObjects(uint32_t pciSubsystemID, tRegMap* nisoFpgaMap, tRegMap* isoFpgaMap, IsolatedPortRouter* isolatedPort,
                   nKIVAPALS100::tStatus& status);

  tRegMap* channelMaps_[kChannelMapCount];
  RegMapRouteProgrammer* programmer_;
  kivark::RoutingResourcesInterface* resources_;
  kivark::RoutingResourcesManager* manager_;
};

}  // namespace vorlan_driver
