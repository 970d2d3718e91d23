// The one object per device that owns the run-time state of the board's
// topography and every route calculated on it: it moves routes from
// calculated to reserved to programmed and back, finds the routes that stand
// in a reservation's way, and counts each edge's users so that a connection
// is written to the hardware once and its terminal driven back to its
// default when the last user goes.
//
// The node arrays belong to the variant that embeds this object; every
// operation but the two getters runs under the object's recursive mutex.
#pragma once

#include <stdint.h>

#include "platform/status/tStatus.h"
#include "platform/synchronization/tMutex.h"
#include "routing/routing-resources/RouteDatabase.h"
#include "routing/topography/RouteProgrammerInterface.h"
#include "routing/routing-resources/RoutingResourcesInterface.h"
#include "routing/topography/Topography.h"

namespace kivark {

template <typename TerminalType, typename EdgeType>
class RoutingResources : public RoutingResourcesInterface {
 public:
  RoutingResources(const TopInfo& info, TerminalNode* terminalNodes, EdgeNode* edgeNodes, TerminalNode** queue,
                   RouteProgrammerInterface* programmer, nKIVAPALS100::tStatus& status);
  // Destroys every route, last first, re-driving what they leave: the route
  // programmer must still exist.
  ~RoutingResources() override;
  RoutingResources(const RoutingResources&) = delete;
  RoutingResources& operator=(const RoutingResources&) = delete;

  AllocHelper getAllocHelper() override { return allocHelper_; }
  const TopInfo* getTopInfo() override { return &info_; }
  void resetTerminal(uint32_t terminalId, uint32_t mode, nKIVAPALS100::tStatus& status) override;
  uint32_t calculateResetTerminal(uint64_t owner, uint32_t terminalId, uint32_t mode,
                                  nKIVAPALS100::tStatus& status) override;
  void resetAllTerminalsToDefault(nKIVAPALS100::tStatus& status) override;
  bool calculateRoute(uint64_t owner, const RouteCalculationSeedBase* seeds, uint32_t seedCount,
                      const uint32_t* destinationIds, uint32_t destinationCount, uint32_t flags,
                      RoutePossibilityBase*& results, uint32_t& count, nKIVAPALS100::tStatus& status) override;
  void destroyRoute(uint32_t routeId) override;
  void reserveRoute(uint32_t routeId, RouteConflict*& conflicts, uint32_t& count,
                    nKIVAPALS100::tStatus& status) override;
  void unreserveRoute(uint32_t routeId) override;
  void programRoute(uint32_t routeId, nKIVAPALS100::tStatus& status) override;
  void unprogramRoute(uint32_t routeId) override;
  void getRouteTerminalPath(uint32_t routeId, uint32_t*& path, uint32_t& count,
                            nKIVAPALS100::tStatus& status) override;
  uint32_t getRouteState(uint32_t routeId) override;

  // The seed predicate of the second pass of a calculation.
  static bool seedHasInversionConstraint(const RouteCalculationSeedBase& seed);
  // The allocation helper: a nonzero size makes a new block and, only when
  // that worked, releases the old one (nothing is copied; null and the old
  // block kept on failure); size 0 releases the old block.
  static void* allocHelperResize(void* oldBlock, uint64_t size, void* context);

 protected:
  // Variants take every terminal node out of the search's queue first.
  Topography& getTopography() { return topography_; }

 private:
  void unprogram(RouteInDB& route);
  void unreserve(RouteInDB& route);
  void removeAddedSince(uint64_t firstAdded);
  uint32_t addRoutes(Route** routes, uint32_t count, bool secondPass, const RouteCalculationSeedBase* seeds,
                     uint32_t seedCount, RoutePossibilityBase* results, uint32_t written,
                     nKIVAPALS100::tStatus& status);

  Topography topography_;
  const TopInfo& info_;
  RouteProgrammerInterface* programmer_;
  RouteDatabase database_;
  bool constructed_;
  AllocHelper allocHelper_;
  vorlan_driver::nKIVAPAL000::tMutex mutex_;
};

}  // namespace kivark
