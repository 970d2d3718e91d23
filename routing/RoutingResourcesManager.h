// Hands the device's routing resources to every routing session and takes
// them back from all of them when the hardware goes away.
#pragma once

#include <stdint.h>

#include "platform/containers/tVector.h"
#include "platform/synchronization/tMutex.h"
#include "routing/RoutingResources.h"

namespace kivark {

class Terminal;
class Edge;
class APALUserBufferWrapper;
template <typename TerminalType, typename EdgeType, typename BufferType>
class RoutingSession;
typedef RoutingSession<Terminal*, Edge*, APALUserBufferWrapper> KernelRoutingSession;

class RoutingResourcesManager {
 public:
  explicit RoutingResourcesManager(nKIVAPALS100::tStatus& status);
  virtual ~RoutingResourcesManager() {}
  RoutingResourcesManager(const RoutingResourcesManager&) = delete;
  RoutingResourcesManager& operator=(const RoutingResourcesManager&) = delete;

  // A session that cannot be listed (no memory) is not registered and gets
  // no resources: it could not be told when they are withdrawn.
  bool registerRoutingSession(KernelRoutingSession* session);
  void unregisterRoutingSession(KernelRoutingSession* session);

  void setRoutingResources(RoutingResources* resources);
  void withdrawRoutingResources();

  RoutingResources* getRoutingResources();
  uint64_t getSessionCount();

 private:
  vorlan_driver::nKIVAPAL000::tMutex mutex_;
  RoutingResources* resources_;
  vorlan_driver::nKIVAPAL000::tVector<KernelRoutingSession*> sessions_;
};

}  // namespace kivark
