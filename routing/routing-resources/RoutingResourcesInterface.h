// What a routing session asks of the device's routing resources.
#pragma once

#include <stdint.h>

#include "platform/status/tStatus.h"
#include "routing/algorithms/GrowOnlyHeap.h"
#include "routing/routing-resources/RouteConflict.h"
#include "routing/topography/RouteCalculationSeedBase.h"
#include "routing/topography/RoutePossibilityBase.h"
#include "routing/topography/TopInfo.h"

namespace kivark {

// Makes and releases the arrays handed to the caller (results, conflicts,
// terminal paths): see RoutingResources::allocHelperResize.
struct AllocHelper {
  ResizeFn function;
  void* context;
};

class RoutingResourcesInterface {
 public:
  virtual ~RoutingResourcesInterface() {}
  virtual AllocHelper getAllocHelper() = 0;
  virtual const TopInfo* getTopInfo() = 0;
  virtual void resetTerminal(uint32_t terminalId, uint32_t mode, nKIVAPALS100::tStatus& status) = 0;
  virtual uint32_t calculateResetTerminal(uint64_t owner, uint32_t terminalId, uint32_t mode,
                                          nKIVAPALS100::tStatus& status) = 0;
  virtual void resetAllTerminalsToDefault(nKIVAPALS100::tStatus& status) = 0;
  virtual bool calculateRoute(uint64_t owner, const RouteCalculationSeedBase* seeds, uint32_t seedCount,
                              const uint32_t* destinationIds, uint32_t destinationCount, uint32_t flags,
                              RoutePossibilityBase*& results, uint32_t& count, nKIVAPALS100::tStatus& status) = 0;
  virtual void destroyRoute(uint32_t routeId) = 0;
  virtual void reserveRoute(uint32_t routeId, RouteConflict*& conflicts, uint32_t& count,
                            nKIVAPALS100::tStatus& status) = 0;
  virtual void unreserveRoute(uint32_t routeId) = 0;
  virtual void programRoute(uint32_t routeId, nKIVAPALS100::tStatus& status) = 0;
  virtual void unprogramRoute(uint32_t routeId) = 0;
  virtual void getRouteTerminalPath(uint32_t routeId, uint32_t*& path, uint32_t& count,
                                    nKIVAPALS100::tStatus& status) = 0;
  virtual uint32_t getRouteState(uint32_t routeId) = 0;
};

}  // namespace kivark
