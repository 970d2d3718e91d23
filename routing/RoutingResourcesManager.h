// Hands the device's routing resources to every routing session and takes
// them back from all of them when the hardware goes away.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "platform/device/tListLink.h"
#include "platform/synchronization/tMutex.h"
#include "routing/routing-resources/RoutingResourcesInterface.h"

namespace kivark {

class Terminal;
class Edge;
class APALUserBufferWrapper;
template <typename TerminalType, typename EdgeType, typename BufferType>
class RoutingSession;
typedef RoutingSession<Terminal*, Edge*, APALUserBufferWrapper> KernelRoutingSession;

// A session's place on the manager's list. The session carries it, so
// listing a session needs no memory and cannot fail.
struct RoutingSessionLink {
  vorlan_driver::nKIVAPAL000::tListLink link;  // first: the list hands back links
  KernelRoutingSession* session;
};
static_assert(offsetof(RoutingSessionLink, link) == 0, "a session's list link starts its RoutingSessionLink");

class RoutingResourcesManager {
 public:
  explicit RoutingResourcesManager(nKIVAPALS100::tStatus& status);
  // Withdraws from every session still listed, so none is left holding a
  // way back to a manager that is gone.
  virtual ~RoutingResourcesManager();
  RoutingResourcesManager(const RoutingResourcesManager&) = delete;
  RoutingResourcesManager& operator=(const RoutingResourcesManager&) = delete;

  // Lists the session and hands it the current resources, if any.
  void registerRoutingSession(KernelRoutingSession* session);
  // Only a session still listed is unlisted and loses its resources.
  void unregisterRoutingSession(KernelRoutingSession* session);

  void setRoutingResources(RoutingResourcesInterface* resources);
  // Detaches and unlists every session; when there were resources to
  // withdraw, each session's user hears of it once (demotion). A session
  // unlisted so stays detached: resources handed out later reach only
  // sessions registered after the withdrawal. The newest session goes first.
  void withdrawRoutingResources();

  RoutingResourcesInterface* getRoutingResources();
  uint64_t getSessionCount();

 private:
  // Unlists the session and hands its routes back; under the manager's lock.
  void release(KernelRoutingSession* session, bool demote);

  vorlan_driver::nKIVAPAL000::tMutex mutex_;
  RoutingResourcesInterface* resources_;
  // Head of the sessions' links, the newest first.
  vorlan_driver::nKIVAPAL000::tListLink sessions_;
};

}  // namespace kivark
