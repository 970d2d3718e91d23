// The routing requests: each passes the gate, describes the caller's buffers
// and forwards to the calling session's routing session. A session whose
// cleanup already released its routing session is answered -52020, as one
// whose resources were withdrawn.
#include "device/KernelSession.h"
#include "device/QuillDevice.h"
#include "platform/cppRuntime/cppNewDelete.h"
#include "platform/memory/tUserBuffer.h"
#include "platform/status/statusCodes.h"
#include "requests/RequestRecords.h"
#include "requests/tRequestGate.h"
#include "routing/RoutingSession.h"

namespace vorlan_driver {

namespace {

using nKIVAPAL000::tEventDescriptor;
using nKIVAPAL000::tUserBuffer;
using kivark::APALUserBufferWrapper;

// The calling session's routing session past the gate; null (with -52020
// when nothing else failed) when there is none.
kivark::KernelRoutingSession* routingSessionPast(const requests::tRequestGate& gate,
                                                 const tEventDescriptor& descriptor, nKIVAPALS100::tStatus& status) {
  if (!gate.passed()) return nullptr;
  auto* session = static_cast<meridansharedsource::KernelSession*>(descriptor.getSession());
  kivark::KernelRoutingSession* routing = session != nullptr ? session->getRoutingSession() : nullptr;
  if (routing == nullptr && status.isNotFatal()) vorlanSetCode(status, statusCodes::kResourceNotAvailable);
  return routing;
}

// A zero-filled kernel copy of `count` records of user memory; null with the
// status failed, or for a count of 0.
template <typename T>
T* copyIn(const tEventDescriptor& descriptor, uint64_t pointer, uint32_t count, nKIVAPALS100::tStatus& status) {
  if (count == 0 || status.isFatal()) return nullptr;
  T* items = kivNew(status) T[count]();
  if (items == nullptr) return nullptr;
  tUserBuffer user(&descriptor, pointer, uint64_t(count) * sizeof(T));
  APALUserBufferWrapper(&user).readFromBuffer(0, items, uint64_t(count) * sizeof(T), status);
  return items;
}

}  // namespace

#define VORLAN_ROUTING_GATE(request)                                                       \
  requests::tRequestGate gate(*this, descriptor, requests::request::kSetupLevel, status); \
  kivark::KernelRoutingSession* routing = routingSessionPast(gate, descriptor, status)

void QuillDevice::routing_queryVersion(const tEventDescriptor& descriptor, uint32_t* version,
                                       nKIVAPALS100::tStatus& status) {
  VORLAN_ROUTING_GATE(routing_queryVersion);
  if (routing != nullptr) *version = routing->queryVersion();
}

uint32_t QuillDevice::routing_calculateRoute(const tEventDescriptor& descriptor, uint64_t owner, uint64_t seedsPointer,
                                             uint32_t seedCount, uint64_t destinationsPointer,
                                             uint32_t destinationCount, uint32_t flags, uint64_t routesPointer,
                                             uint32_t routeCapacity, uint32_t* routeCount,
                                             nKIVAPALS100::tStatus& status) {
  VORLAN_ROUTING_GATE(routing_calculateRoute);
  // The counts size the kernel copies below: they meet the topography's
  // bound first.
  if (routing == nullptr || !routing->admitsCalculation(seedCount, destinationCount, status)) return 0;
  auto* seeds = copyIn<kivark::RouteCalculationSeedBase>(descriptor, seedsPointer, seedCount, status);
  uint32_t* destinations = copyIn<uint32_t>(descriptor, destinationsPointer, destinationCount, status);
  uint32_t unreachable = 0;
  if (status.isNotFatal()) {
    tUserBuffer results(&descriptor, routesPointer, uint64_t(routeCapacity) * sizeof(kivark::RoutePossibilityBase));
    *routeCount = routeCapacity;
    unreachable = routing->calculateRoute(owner, seeds, seedCount, destinations, destinationCount, flags,
                                          APALUserBufferWrapper(&results), *routeCount, status);
  }
  delete[] seeds;
  delete[] destinations;
  return unreachable;
}

void QuillDevice::routing_destroyRoute(const tEventDescriptor& descriptor, uint32_t routeId,
                                       nKIVAPALS100::tStatus& status) {
  VORLAN_ROUTING_GATE(routing_destroyRoute);
  if (routing != nullptr) routing->destroyRoute(routeId);
}

void QuillDevice::routing_reserveRoute(const tEventDescriptor& descriptor, uint32_t routeId,
                                       uint64_t conflictsPointer, uint32_t conflictCapacity,
                                       uint32_t* conflictCount, nKIVAPALS100::tStatus& status) {
  VORLAN_ROUTING_GATE(routing_reserveRoute);
  if (routing == nullptr) return;
  tUserBuffer conflicts(&descriptor, conflictsPointer, uint64_t(conflictCapacity) * sizeof(kivark::RouteConflict));
  *conflictCount = conflictCapacity;
  routing->reserveRoute(routeId, APALUserBufferWrapper(&conflicts), *conflictCount, status);
}

void QuillDevice::routing_programRoute(const tEventDescriptor& descriptor, uint32_t routeId,
                                       nKIVAPALS100::tStatus& status) {
  VORLAN_ROUTING_GATE(routing_programRoute);
  if (routing != nullptr) routing->programRoute(routeId, status);
}

void QuillDevice::routing_unreserveRoute(const tEventDescriptor& descriptor, uint32_t routeId,
                                         nKIVAPALS100::tStatus& status) {
  VORLAN_ROUTING_GATE(routing_unreserveRoute);
  if (routing != nullptr) routing->unreserveRoute(routeId);
}

void QuillDevice::routing_unprogramRoute(const tEventDescriptor& descriptor, uint32_t routeId,
                                         nKIVAPALS100::tStatus& status) {
  VORLAN_ROUTING_GATE(routing_unprogramRoute);
  if (routing != nullptr) routing->unprogramRoute(routeId);
}

void QuillDevice::routing_getRouteTerminalPath(const tEventDescriptor& descriptor, uint32_t routeId,
                                               uint64_t terminalsPointer, uint32_t terminalCapacity,
                                               uint32_t* terminalCount, nKIVAPALS100::tStatus& status) {
  VORLAN_ROUTING_GATE(routing_getRouteTerminalPath);
  if (routing == nullptr) return;
  tUserBuffer path(&descriptor, terminalsPointer, uint64_t(terminalCapacity) * sizeof(uint32_t));
  *terminalCount = terminalCapacity;
  routing->getRouteTerminalPath(routeId, APALUserBufferWrapper(&path), *terminalCount, status);
}

void QuillDevice::routing_getTopographyName(const tEventDescriptor& descriptor, uint64_t nameBuffer,
                                            uint32_t bufferSize, nKIVAPALS100::tStatus& status) {
  VORLAN_ROUTING_GATE(routing_getTopographyName);
  if (routing == nullptr) return;
  tUserBuffer name(&descriptor, nameBuffer, bufferSize);
  routing->getTopographyName(APALUserBufferWrapper(&name), status);
}

void QuillDevice::routing_resetTerminal(const tEventDescriptor& descriptor, uint32_t terminalId, uint32_t mode,
                                        nKIVAPALS100::tStatus& status) {
  VORLAN_ROUTING_GATE(routing_resetTerminal);
  if (routing != nullptr) routing->resetTerminal(terminalId, mode, status);
}

uint32_t QuillDevice::routing_calculateResetTerminal(const tEventDescriptor& descriptor, uint64_t owner,
                                                     uint32_t terminalId, uint32_t mode,
                                                     nKIVAPALS100::tStatus& status) {
  VORLAN_ROUTING_GATE(routing_calculateResetTerminal);
  return routing != nullptr ? routing->calculateResetTerminal(owner, terminalId, mode, status) : 0;
}

#undef VORLAN_ROUTING_GATE

}  // namespace vorlan_driver
