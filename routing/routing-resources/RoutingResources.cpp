#include "routing/routing-resources/RoutingResources.h"

#include "platform/cppRuntime/cppNewDelete.h"
#include "platform/quarks/kivString.h"
#include "platform/status/statusCodes.h"
#include "routing/topography/routingStatusCodes.h"

namespace kivark {

using nKIVAPALS100::tStatus;
using vorlan_driver::nKIVAPAL000::tAutoLock;
using vorlan_driver::nKIVAPAL000::tMutex;
using vorlan_driver::statusCodes::kInvalidArgument;
using vorlan_driver::statusCodes::kOutOfMemory;
namespace pal = vorlan_driver::nKIVAPAL000;

namespace {

constexpr uint64_t kCalculationChunkSize = 2048;
constexpr uint64_t kOperationChunkSize = 512;
constexpr uint32_t kArenaAlignment = 8;

bool seedHasNoInversionConstraint(const RouteCalculationSeedBase& seed) { return seed.hasInversionConstraint == 0; }

// The conflicting edges of a reservation, a list in the operation's arena.
struct ConflictingEdge {
  EdgeNode* edge;
  ConflictingEdge* next;
};

// Drops the routes a pass shares with the other, then closes the holes by
// moving the last remaining route into the first hole.
uint32_t compact(Route** routes, uint32_t count) {
  uint32_t first = 0;
  while (count > 0 && routes[count - 1] == nullptr) --count;
  while (first < count) {
    if (routes[first] != nullptr) {
      ++first;
      continue;
    }
    routes[first++] = routes[--count];
    while (count > 0 && routes[count - 1] == nullptr) --count;
  }
  return count;
}

}  // namespace

template <typename TerminalType, typename EdgeType>
RoutingResources<TerminalType, EdgeType>::RoutingResources(const TopInfo& info, TerminalNode* terminalNodes,
                                                           EdgeNode* edgeNodes, TerminalNode** queue,
                                                           RouteProgrammerInterface* programmer, tStatus& status)
    : topography_(info, terminalNodes, edgeNodes, queue),
      info_(info),
      programmer_(programmer),
      constructed_(false),
      allocHelper_{allocHelperResize, nullptr},
      mutex_(status) {
  constructed_ = status.isNotFatal() && mutex_.isCreated() && programmer_ != nullptr;
}

template <typename TerminalType, typename EdgeType>
RoutingResources<TerminalType, EdgeType>::~RoutingResources() {
  if (!constructed_) return;
  while (database_.count() > 0) destroyRoute(database_.at(database_.count() - 1).id);
}

template <typename TerminalType, typename EdgeType>
bool RoutingResources<TerminalType, EdgeType>::seedHasInversionConstraint(const RouteCalculationSeedBase& seed) {
  return seed.hasInversionConstraint != 0;
}

template <typename TerminalType, typename EdgeType>
void* RoutingResources<TerminalType, EdgeType>::allocHelperResize(void* oldBlock, uint64_t size, void*) {
  if (size == 0) {
    if (oldBlock != nullptr) pal::release(oldBlock);
    return nullptr;
  }
  tStatus own;
  void* block = pal::allocate(size, own, 0);
  if (block != nullptr && oldBlock != nullptr) pal::release(oldBlock);
  return block;
}

// ---- calculation

template <typename TerminalType, typename EdgeType>
bool RoutingResources<TerminalType, EdgeType>::calculateRoute(uint64_t owner, const RouteCalculationSeedBase* seeds,
                                                              uint32_t seedCount, const uint32_t* destinationIds,
                                                              uint32_t destinationCount, uint32_t flags,
                                                              RoutePossibilityBase*& results, uint32_t& count,
                                                              tStatus& status) {
  if (!constructed_) return false;
  tAutoLock<tMutex> lock(mutex_);
  for (uint32_t i = 0; i < seedCount; ++i)
    if (topography_.findTerminal(seeds[i].terminalId) == nullptr) vorlanSetCode(status, kInvalidArgument);
  for (uint32_t i = 0; i < destinationCount; ++i)
    if (topography_.findTerminal(destinationIds[i]) == nullptr) vorlanSetCode(status, kInvalidArgument);
  if (status.isFatal()) {
    count = 0;
    return false;
  }

  GrowOnlyHeap arena(kCalculationChunkSize, kArenaAlignment);
  topography_.setAllocationContext(&arena);
  Route** first = nullptr;
  Route** second = nullptr;
  uint32_t firstCount = 0;
  uint32_t secondCount = 0;
  bool firstReachedNothing = topography_.calculateRoute(owner, seeds, seedCount, seedHasNoInversionConstraint,
                                                        destinationIds, destinationCount, flags, first, firstCount,
                                                        status);
  bool secondReachedNothing = false;
  if (status.isNotFatal()) {
    secondReachedNothing = topography_.calculateRoute(owner, seeds, seedCount, seedHasInversionConstraint,
                                                      destinationIds, destinationCount, flags, second, secondCount,
                                                      status);
    for (uint32_t i = 0; i < secondCount; ++i) second[i]->parity ^= 1;
  }

  bool result = false;
  if (status.isNotFatal()) {
    // A route of each pass to the same terminal with the same parity: the
    // cheaper stays, the first pass's on a tie.
    for (uint32_t a = 0; a < firstCount; ++a) {
      for (uint32_t b = 0; b < secondCount; ++b) {
        if (second[b] == nullptr) continue;
        if (second[b]->finalTerminal()->terminal->id != first[a]->finalTerminal()->terminal->id ||
            second[b]->parity != first[a]->parity)
          continue;
        if (second[b]->cost < first[a]->cost) first[a] = nullptr;
        else second[b] = nullptr;
        break;
      }
    }
    firstCount = compact(first, firstCount);
    secondCount = compact(second, secondCount);

    const uint32_t needed = firstCount + secondCount;
    if (count < needed) {
      void* larger = allocHelper_.function(results, uint64_t(needed) * sizeof(RoutePossibilityBase),
                                           allocHelper_.context);
      if (larger == nullptr) vorlanSetCode(status, kOutOfMemory);
      else results = static_cast<RoutePossibilityBase*>(larger);
    }
    if (status.isNotFatal()) {
      const uint64_t firstAdded = database_.count();
      uint32_t written = addRoutes(first, firstCount, false, seeds, seedCount, results, 0, status);
      written = addRoutes(second, secondCount, true, seeds, seedCount, results, written, status);
      if (status.isFatal()) {
        removeAddedSince(firstAdded);
      } else {
        count = written;
        result = written == 0 && (firstReachedNothing || secondReachedNothing);
      }
    }
  }
  if (status.isFatal()) count = 0;
  topography_.setAllocationContext(nullptr);
  return result;
}

template <typename TerminalType, typename EdgeType>
uint32_t RoutingResources<TerminalType, EdgeType>::addRoutes(Route** routes, uint32_t count, bool secondPass,
                                                             const RouteCalculationSeedBase* seeds,
                                                             uint32_t seedCount, RoutePossibilityBase* results,
                                                             uint32_t written, tStatus& status) {
  for (uint32_t i = 0; i < count && status.isNotFatal(); ++i) {
    const Route& route = *routes[i];
    uint32_t id = database_.add(route, status);
    if (id == 0) break;
    RoutePossibilityBase& record = results[written++];
    pal::fillBytes(&record, 0, sizeof record);
    record.routeId = id;
    record.terminalId = route.finalTerminal()->terminal->id;
    record.cost = route.cost;
    record.parity = route.parity;
    record.seedIndex = -1;
    for (uint32_t s = 0; s < seedCount; ++s) {
      if (seeds[s].terminalId == route.start->terminal->id && (seeds[s].hasInversionConstraint != 0) == secondPass) {
        record.seedIndex = static_cast<int32_t>(s);
        break;
      }
    }
  }
  return written;
}

template <typename TerminalType, typename EdgeType>
void RoutingResources<TerminalType, EdgeType>::removeAddedSince(uint64_t firstAdded) {
  while (database_.count() > firstAdded) database_.remove(database_.at(database_.count() - 1).id);
}

template <typename TerminalType, typename EdgeType>
uint32_t RoutingResources<TerminalType, EdgeType>::calculateResetTerminal(uint64_t owner, uint32_t terminalId,
                                                                          uint32_t mode, tStatus& status) {
  if (!constructed_) return 0;
  tAutoLock<tMutex> lock(mutex_);
  if (status.isFatal()) return 0;
  TerminalNode* node = topography_.findTerminal(terminalId);
  if (node == nullptr) {
    vorlanSetCode(status, kInvalidArgument);
    return 0;
  }
  EdgeNode* edge = nullptr;
  if (mode == Topography::kFirstIncomingEdge) {
    if (node->terminal->incomingCount != 0) edge = topography_.incomingEdge(node, 0);
  } else if (mode == Topography::kDefaultEdge) {
    edge = topography_.defaultEdge(node);
  } else {
    vorlanSetCode(status, kInvalidArgument);
    return 0;
  }
  if (edge == nullptr) {
    vorlanSetCode(status, routingStatusCodes::kNoDefaultEdge);
    return 0;
  }
  GrowOnlyHeap arena(kOperationChunkSize, kArenaAlignment);
  Route* route = static_cast<Route*>(arena.resize(nullptr, sizeof(Route)));
  Segment* segment = static_cast<Segment*>(arena.resize(nullptr, sizeof(Segment)));
  if (route == nullptr || segment == nullptr) {
    vorlanSetCode(status, kOutOfMemory);
    return 0;
  }
  pal::fillBytes(route, 0, sizeof(Route));
  *segment = Segment{edge, node};
  route->start = node;
  route->path = segment;
  route->segmentCount = 1;
  route->cost = 1;
  route->owner = owner;
  route->state = Route::kCalculated;
  // The other members of the terminal's group go back to their defaults too.
  topography_.setAllocationContext(&arena);
  topography_.addGroupAlternates(route, status);
  topography_.setAllocationContext(nullptr);
  if (status.isFatal()) return 0;
  return database_.add(*route, status);
}

// ---- reservation

template <typename TerminalType, typename EdgeType>
void RoutingResources<TerminalType, EdgeType>::reserveRoute(uint32_t routeId, RouteConflict*& conflicts,
                                                            uint32_t& count, tStatus& status) {
  if (!constructed_) return;
  tAutoLock<tMutex> lock(mutex_);
  if (status.isFatal()) return;
  RouteInDB* route = database_.find(routeId);
  if (route == nullptr || route->state != Route::kCalculated) {
    vorlanSetCode(status, kInvalidArgument);
    return;
  }
  GrowOnlyHeap arena(kOperationChunkSize, kArenaAlignment);
  ConflictingEdge* conflicting = nullptr;
  auto note = [&](EdgeNode* edge) {
    ConflictingEdge* entry = static_cast<ConflictingEdge*>(arena.resize(nullptr, sizeof(ConflictingEdge)));
    if (entry == nullptr) return;
    *entry = ConflictingEdge{edge, conflicting};
    conflicting = entry;
  };
  bool driven = false;
  // An exclusive start already driven, an exclusive end already driving.
  TerminalNode* start = route->start;
  if (start->isExclusive()) {
    topography_.forEachIncomingEdgeOfGroup(start, [&](EdgeNode* edge) {
      if (edge->reservedCount == 0) return;
      note(edge);
      driven = true;
    });
  }
  TerminalNode* end = route->finalTerminal();
  if (end->isExclusive()) {
    for (uint32_t i = 0; i < end->terminal->outgoingCount; ++i) {
      EdgeNode* edge = topography_.outgoingEdge(end, i);
      if (edge->reservedCount == 0) continue;
      note(edge);
      driven = true;
    }
  }
  // An edge made unavailable by a reservation into the same terminal.
  bool unavailable = false;
  auto checkAvailable = [&](EdgeNode* edge) {
    if (edge == nullptr || edge->available != 0) return;
    unavailable = true;
    topography_.forEachIncomingEdgeOfGroup(topography_.targetOf(edge), [&](EdgeNode* into) {
      if (into->reservedCount != 0) note(into);
    });
  };
  for (uint32_t i = 0; i < route->alternateCount; ++i) checkAvailable(route->alternates[i].edge);
  for (uint32_t i = 0; i < route->segmentCount; ++i) checkAvailable(route->path[i].edge);

  if (driven || unavailable) {
    vorlanSetCode(status, routingStatusCodes::kRouteConflict);
  } else {
    // Each terminal is driven by one connection at most: the others into it
    // are unavailable while it is reserved.
    auto reserve = [&](EdgeNode* edge) {
      if (edge == nullptr || ++edge->reservedCount != 1) return;
      TerminalNode* target = topography_.targetOf(edge);
      for (uint32_t i = 0; i < target->terminal->incomingCount; ++i) topography_.incomingEdge(target, i)->available = 0;
      edge->available = 1;
    };
    for (uint32_t i = 0; i < route->alternateCount; ++i) reserve(route->alternates[i].edge);
    for (uint32_t i = 0; i < route->segmentCount; ++i) reserve(route->path[i].edge);
    if (status.isNotFatal()) route->state = Route::kReserved;
  }
  if (conflicting == nullptr) return;

  // Every reserved or programmed route over a conflicting edge, once.
  count = 0;
  for (uint64_t r = 0; r < database_.count(); ++r) {
    const RouteInDB& other = database_.at(r);
    if (other.state != Route::kReserved && other.state != Route::kProgrammed) continue;
    bool uses = false;
    for (ConflictingEdge* entry = conflicting; entry != nullptr && !uses; entry = entry->next)
      uses = other.usesEdge(entry->edge);
    if (!uses) continue;
    RouteConflict* longer = static_cast<RouteConflict*>(
        allocHelper_.function(nullptr, uint64_t(count + 1) * sizeof(RouteConflict), allocHelper_.context));
    if (longer == nullptr) break;
    if (count != 0) pal::copyBytes(longer, conflicts, uint64_t(count) * sizeof(RouteConflict));
    if (conflicts != nullptr) allocHelper_.function(conflicts, 0, allocHelper_.context);
    conflicts = longer;
    pal::fillBytes(&conflicts[count], 0, sizeof(RouteConflict));
    conflicts[count].owner = other.owner;
    conflicts[count].routeId = other.id;
    ++count;
  }
}

template <typename TerminalType, typename EdgeType>
void RoutingResources<TerminalType, EdgeType>::unreserve(RouteInDB& route) {
  if (route.state == Route::kProgrammed) unprogram(route);
  if (route.state != Route::kReserved) return;
  auto release = [&](EdgeNode* edge) {
    if (edge == nullptr || edge->reservedCount == 0 || --edge->reservedCount != 0) return;
    TerminalNode* target = topography_.targetOf(edge);
    for (uint32_t i = 0; i < target->terminal->incomingCount; ++i) topography_.incomingEdge(target, i)->available = 1;
  };
  for (uint32_t i = 0; i < route.segmentCount; ++i) release(route.path[i].edge);
  for (uint32_t i = 0; i < route.alternateCount; ++i) release(route.alternates[i].edge);
  route.state = Route::kCalculated;
}

template <typename TerminalType, typename EdgeType>
void RoutingResources<TerminalType, EdgeType>::unreserveRoute(uint32_t routeId) {
  if (!constructed_) return;
  tAutoLock<tMutex> lock(mutex_);
  RouteInDB* route = database_.find(routeId);
  if (route != nullptr) unreserve(*route);
}

// ---- programming

template <typename TerminalType, typename EdgeType>
void RoutingResources<TerminalType, EdgeType>::programRoute(uint32_t routeId, tStatus& status) {
  if (!constructed_) return;
  tAutoLock<tMutex> lock(mutex_);
  if (status.isFatal()) return;
  RouteInDB* route = database_.find(routeId);
  if (route == nullptr || route->state != Route::kReserved) {
    vorlanSetCode(status, kInvalidArgument);
    return;
  }
  // The start is driven from its default unless a reservation holds it.
  tStatus dropped;
  topography_.resetTerminal(route->start, Topography::kFirstIncomingEdge, *programmer_, dropped);

  bool begun = false;
  auto program = [&](EdgeNode* edge) {
    if (edge == nullptr || status.isFatal()) return;
    if (edge->programmedCount == 0 && !topography_.runProgram(*edge, *programmer_, begun, status, false)) return;
    ++edge->programmedCount;
  };
  for (uint32_t i = 0; i < route->alternateCount; ++i) program(route->alternates[i].edge);
  for (uint32_t i = 0; i < route->segmentCount; ++i) program(route->path[i].edge);
  if (begun) programmer_->end(status);
  if (status.isNotFatal()) route->state = Route::kProgrammed;
}

template <typename TerminalType, typename EdgeType>
void RoutingResources<TerminalType, EdgeType>::unprogram(RouteInDB& route) {
  if (route.state != Route::kProgrammed) return;
  topography_.unprogramRoute(route.path, route.segmentCount, route.alternates, route.alternateCount, *programmer_);
  route.state = Route::kReserved;
}

template <typename TerminalType, typename EdgeType>
void RoutingResources<TerminalType, EdgeType>::unprogramRoute(uint32_t routeId) {
  if (!constructed_) return;
  tAutoLock<tMutex> lock(mutex_);
  RouteInDB* route = database_.find(routeId);
  if (route != nullptr) unprogram(*route);
}

template <typename TerminalType, typename EdgeType>
void RoutingResources<TerminalType, EdgeType>::destroyRoute(uint32_t routeId) {
  if (!constructed_) return;
  tAutoLock<tMutex> lock(mutex_);
  RouteInDB* route = database_.find(routeId);
  if (route == nullptr) return;
  unreserve(*route);
  database_.remove(routeId);
}

// ---- terminals

template <typename TerminalType, typename EdgeType>
void RoutingResources<TerminalType, EdgeType>::resetTerminal(uint32_t terminalId, uint32_t mode, tStatus& status) {
  if (!constructed_) return;
  tAutoLock<tMutex> lock(mutex_);
  TerminalNode* node = topography_.findTerminal(terminalId);
  if (node == nullptr) {
    vorlanSetCode(status, kInvalidArgument);
    return;
  }
  topography_.resetTerminal(node, mode, *programmer_, status);
}

template <typename TerminalType, typename EdgeType>
void RoutingResources<TerminalType, EdgeType>::resetAllTerminalsToDefault(tStatus& status) {
  if (!constructed_) return;
  tAutoLock<tMutex> lock(mutex_);
  if (status.isFatal()) return;
  for (uint32_t t = 0; t < topography_.getTerminalCount(); ++t) {
    TerminalNode* node = topography_.terminalAt(t);
    if (node->terminal->incomingCount == 0) continue;
    tStatus own;
    topography_.resetTerminal(node, Topography::kFirstIncomingEdge, *programmer_, own);
    status.merge(own);
  }
}

template <typename TerminalType, typename EdgeType>
void RoutingResources<TerminalType, EdgeType>::getRouteTerminalPath(uint32_t routeId, uint32_t*& path,
                                                                    uint32_t& count, tStatus& status) {
  if (!constructed_) return;
  tAutoLock<tMutex> lock(mutex_);
  if (status.isFatal()) return;
  RouteInDB* route = database_.find(routeId);
  if (route == nullptr) {
    vorlanSetCode(status, kInvalidArgument);
    return;
  }
  const uint32_t needed = route->segmentCount + 1;
  if (count < needed) {
    void* larger = allocHelper_.function(path, uint64_t(needed) * sizeof(uint32_t), allocHelper_.context);
    if (larger == nullptr) {
      vorlanSetCode(status, kOutOfMemory);
      return;
    }
    path = static_cast<uint32_t*>(larger);
  }
  count = needed;
  path[0] = route->start->terminal->id;
  for (uint32_t i = 0; i < route->segmentCount; ++i) path[i + 1] = route->path[i].terminal->terminal->id;
}

template <typename TerminalType, typename EdgeType>
uint32_t RoutingResources<TerminalType, EdgeType>::getRouteState(uint32_t routeId) {
  if (!constructed_) return 0;
  tAutoLock<tMutex> lock(mutex_);
  RouteInDB* route = database_.find(routeId);
  return route == nullptr ? 0 : route->state;
}

template class RoutingResources<Terminal*, Edge*>;

}  // namespace kivark
