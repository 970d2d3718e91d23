#include "routing/topography/Topography.h"

#include "platform/quarks/kivString.h"
#include "platform/status/statusCodes.h"
#include "routing/topography/routingStatusCodes.h"

namespace kivark {

using nKIVAPALS100::tStatus;
using vorlan_driver::statusCodes::kBufferTooSmall;
using vorlan_driver::statusCodes::kInvalidArgument;
using vorlan_driver::statusCodes::kOutOfMemory;

Topography::Topography(const TopInfo& info, TerminalNode* terminals, EdgeNode* edges, TerminalNode** queue)
    : terminals_(terminals),
      terminalCount_(info.terminalCount),
      edges_(edges),
      edgeCount_(info.edgeCount),
      allowUnavailable_(false),
      expanding_(nullptr),
      queue_(queue),
      queued_(0),
      placements_(0),
      destinationsToReach_(0),
      reached_(0),
      segmentAllocator_(growOnlyHeapResizeFn),
      segmentContext_(nullptr),
      routeAllocator_(growOnlyHeapResizeFn),
      routeContext_(nullptr),
      info_(info),
      incoming_(info.incomingEdges) {
  for (uint32_t i = 0; i < terminalCount_; ++i) {
    terminals_[i] = TerminalNode();
    terminals_[i].terminal = &info.terminals[i];
  }
  for (uint32_t i = 0; i < edgeCount_; ++i) {
    edges_[i] = EdgeNode();
    edges_[i].edge = &info.edges[i];
  }
}

void Topography::setAllocationContext(void* arena) {
  segmentContext_ = arena;
  routeContext_ = arena;
}

TerminalNode* Topography::findTerminal(uint32_t id) {
  if (id - 1 < terminalCount_ && terminals_[id - 1].terminal->id == id) return &terminals_[id - 1];
  for (uint32_t i = 0; i < terminalCount_; ++i)
    if (terminals_[i].terminal->id == id) return &terminals_[i];
  return nullptr;
}

EdgeNode* Topography::defaultEdge(const TerminalNode* node) {
  for (uint32_t i = 0; i < node->terminal->incomingCount; ++i) {
    EdgeNode* edge = incomingEdge(node, i);
    if (edge->edge->isDefault()) return edge;
  }
  return nullptr;
}

bool Topography::hasReservedIncomingEdge(const TerminalNode* node) {
  bool reserved = false;
  forEachIncomingEdgeOfGroup(node, [&](EdgeNode* edge) { reserved = reserved || edge->reservedCount != 0; });
  return reserved;
}

bool Topography::hasReservedOutgoingEdge(const TerminalNode* node) {
  for (uint32_t i = 0; i < node->terminal->outgoingCount; ++i)
    if (outgoingEdge(node, i)->reservedCount != 0) return true;
  return false;
}

// ---- the cost-ordered queue

bool Topography::comesBefore(const TerminalNode* a, const TerminalNode* b) const {
  return a->cost < b->cost || (a->cost == b->cost && a->order > b->order);
}

void Topography::place(TerminalNode* node, uint32_t index) {
  queue_[index] = node;
  node->queueIndex = index;
}

void Topography::siftUp(uint32_t index) {
  TerminalNode* node = queue_[index];
  while (index > 0) {
    uint32_t parent = (index - 1) / 2;
    if (!comesBefore(node, queue_[parent])) break;
    place(queue_[parent], index);
    index = parent;
  }
  place(node, index);
}

void Topography::siftDown(uint32_t index) {
  TerminalNode* node = queue_[index];
  for (;;) {
    uint32_t child = 2 * index + 1;
    if (child >= queued_) break;
    if (child + 1 < queued_ && comesBefore(queue_[child + 1], queue_[child])) ++child;
    if (!comesBefore(queue_[child], node)) break;
    place(queue_[child], index);
    index = child;
  }
  place(node, index);
}

void Topography::queueAt(TerminalNode* node, uint32_t cost) {
  node->cost = cost;
  node->order = ++placements_;
  if (node->queueIndex == TerminalNode::kNotQueued) {
    place(node, queued_++);
    siftUp(node->queueIndex);
    return;
  }
  siftUp(node->queueIndex);
  siftDown(node->queueIndex);
}

TerminalNode* Topography::takeFirst() {
  TerminalNode* first = queue_[0];
  first->queueIndex = TerminalNode::kNotQueued;
  if (--queued_ > 0) {
    place(queue_[queued_], 0);
    siftDown(0);
  }
  return first;
}

void Topography::unlinkAll() {
  for (uint32_t i = 0; i < queued_; ++i) queue_[i]->queueIndex = TerminalNode::kNotQueued;
  queued_ = 0;
}

// ---- the search

bool Topography::mayTake(const EdgeNode& edge, const TerminalNode& from, const TerminalNode& to) const {
  if (edge.available == 0 && !allowUnavailable_) return false;
  if (to.isEndpointOnly() && to.destination == 0) return false;
  if (from.isEndpointOnly() && from.seed == 0) return false;
  return true;
}

void Topography::resetSearch(uint32_t flags) {
  queued_ = 0;
  for (uint32_t i = 0; i < terminalCount_; ++i) {
    TerminalNode& node = terminals_[i];
    node.queueIndex = TerminalNode::kNotQueued;
    node.predecessor = nullptr;
    node.reachingEdge = nullptr;
    node.cost = TerminalNode::kUnreached;
    node.seed = 0;
    node.destination = 0;
  }
  placements_ = 0;
  destinationsToReach_ = 0;
  reached_ = 0;
  allowUnavailable_ = (flags & kAllowUnavailableEdges) != 0;
}

bool Topography::acceptSeeds(const RouteCalculationSeedBase* seeds, uint32_t seedCount, SeedPredicate acceptSeed,
                             bool& accepted, tStatus& status) {
  for (uint32_t i = 0; i < seedCount; ++i) {
    if (!acceptSeed(seeds[i])) continue;
    TerminalNode* node = findTerminal(seeds[i].terminalId);
    if (node == nullptr) {
      vorlanSetCode(status, kInvalidArgument);
      return false;
    }
    // An exclusive terminal driven by a reserved route cannot drive another.
    if (node->isExclusive() && hasReservedIncomingEdge(node)) continue;
    queueAt(node, seeds[i].initialCost);
    node->seed = 1;
    accepted = true;
  }
  return true;
}

bool Topography::markDestinations(const uint32_t* destinationIds, uint32_t destinationCount, uint32_t& groupMembers,
                                  tStatus& status) {
  bool any = false;
  for (uint32_t i = 0; i < destinationCount; ++i) {
    TerminalNode* node = findTerminal(destinationIds[i]);
    if (node == nullptr) {
      vorlanSetCode(status, kInvalidArgument);
      return false;
    }
    if (node->isExclusive() && hasReservedOutgoingEdge(node)) continue;
    any = true;
    auto mark = [this](TerminalNode* destination) {
      if (destination->destination != 0) return;
      destination->destination = 1;
      ++destinationsToReach_;
    };
    mark(node);
    // Reaching any member of a group reaches the group.
    const TerminalGroup* group = groupOf(node);
    for (uint32_t m = 0; group != nullptr && m < group->memberCount; ++m) {
      TerminalNode* member = &terminals_[group->members[m]];
      if (member == node) continue;
      ++groupMembers;
      mark(member);
    }
  }
  return any;
}

void Topography::search() {
  while (reached_ != destinationsToReach_) {
    if (queued_ == 0 || queue_[0]->cost == TerminalNode::kUnreached) break;
    if (queue_[0]->destination != 0) ++reached_;
    TerminalNode* settled = takeFirst();
    if (reached_ == destinationsToReach_) break;
    expanding_ = settled;
    for (uint32_t i = 0; i < settled->terminal->outgoingCount; ++i) {
      EdgeNode* edge = outgoingEdge(settled, i);
      TerminalNode* target = targetOf(edge);
      if (!mayTake(*edge, *settled, *target)) continue;
      uint32_t cost = settled->cost + edge->edge->cost;  // wraps
      if (cost >= target->cost) continue;
      queueAt(target, cost);
      target->predecessor = settled;
      target->reachingEdge = edge;
    }
  }
  expanding_ = nullptr;
}

uint32_t Topography::extractPaths(Route** routes, tStatus& status) {
  uint32_t made = 0;
  uint32_t visited = 0;
  for (uint32_t t = 0; t < terminalCount_ && visited < destinationsToReach_; ++t) {
    TerminalNode* destination = &terminals_[t];
    if (destination->destination == 0) continue;
    ++visited;
    Route* route = routes[made];
    if (destination->seed != 0) {
      route->start = destination;
      route->segmentCount = 0;
      route->cost = destination->cost;
      ++made;
      continue;
    }
    // A destination never reached has no predecessor and gets no route.
    // Wrapped costs can close a chain of predecessors into a loop; a chain
    // longer than there are terminals is one, and is no route either.
    uint32_t links = 0;
    for (TerminalNode* node = destination; node->predecessor != nullptr && links <= terminalCount_;
         node = node->predecessor)
      ++links;
    if (links == 0 || links > terminalCount_) continue;
    void* path = segmentAllocator_(route->path, uint64_t(links) * sizeof(Segment), segmentContext_);
    if (path == nullptr) {
      vorlanSetCode(status, kBufferTooSmall);
      return made;
    }
    route->path = static_cast<Segment*>(path);
    route->segmentCount = links;
    route->cost = destination->cost;
    TerminalNode* node = destination;
    for (uint32_t i = links; i-- > 0; node = node->predecessor) route->path[i] = Segment{node->reachingEdge, node};
    route->start = node;
    ++made;
  }
  return made;
}

void Topography::addOppositeParity(Route* route, Route** routes, uint32_t& nextFree, tStatus& status) {
  Route* copy = routes[nextFree];
  if (route->segmentCount == 0) return;
  void* path = routeAllocator_(copy->path, uint64_t(route->segmentCount) * sizeof(Segment), routeContext_);
  copy->path = static_cast<Segment*>(path);
  if (path == nullptr) {
    vorlanSetCode(status, kOutOfMemory);
    return;
  }
  vorlan_driver::nKIVAPAL000::copyBytes(copy->path, route->path, uint64_t(route->segmentCount) * sizeof(Segment));
  copy->start = route->start;
  copy->cost = route->cost;
  copy->segmentCount = route->segmentCount;
  copy->parity = route->parity;
  for (uint32_t s = copy->segmentCount; s-- > 0;) {
    EdgeNode* taken = copy->path[s].edge;
    TerminalNode* reached = copy->path[s].terminal;
    TerminalNode* from = s == 0 ? copy->start : copy->path[s - 1].terminal;
    if (taken->reservedCount != 0) continue;
    for (uint32_t i = 0; i < from->terminal->outgoingCount; ++i) {
      EdgeNode* other = outgoingEdge(from, i);
      if (targetOf(other) != reached || other->edge->inversion() == taken->edge->inversion()) continue;
      if (!mayTake(*other, *from, *reached)) continue;
      copy->cost = copy->cost + other->edge->cost - taken->edge->cost;
      copy->path[s].edge = other;
      copy->parity ^= 1;
      ++nextFree;
      return;
    }
  }
}

void Topography::releaseRoute(Route* route) {
  if (route == nullptr) return;
  if (route->path != nullptr) segmentAllocator_(route->path, 0, segmentContext_);
  if (route->alternates != nullptr) segmentAllocator_(route->alternates, 0, segmentContext_);
  routeAllocator_(route, 0, routeContext_);
}

void Topography::releaseRoutes(Route** routes, uint32_t slots) {
  for (uint32_t i = 0; i < slots; ++i) releaseRoute(routes[i]);
  routeAllocator_(routes, 0, routeContext_);
}

// Two routes of one parity ending at different members of a group reach the
// same thing: the cheaper stays, the earlier on a tie.
uint32_t Topography::removeGroupDuplicates(Route** routes, uint32_t count) {
  for (uint32_t i = 0; i < count; ++i) {
    for (uint32_t j = i + 1; j < count && routes[i] != nullptr; ++j) {
      if (routes[j] == nullptr) continue;
      const TerminalNode* a = routes[i]->finalTerminal();
      const TerminalNode* b = routes[j]->finalTerminal();
      if (a == b || a->terminal->group == 0 || a->terminal->group != b->terminal->group) continue;
      if (routes[i]->parity != routes[j]->parity) continue;
      const uint32_t loser = routes[j]->cost < routes[i]->cost ? i : j;
      releaseRoute(routes[loser]);
      routes[loser] = nullptr;
    }
  }
  uint32_t kept = 0;
  for (uint32_t i = 0; i < count; ++i)
    if (routes[i] != nullptr) routes[kept++] = routes[i];
  return kept;
}

// Every other member of a group a segment reaches is driven from its
// default edge along with the route.
bool Topography::addGroupAlternates(Route* route, tStatus& status) {
  uint32_t count = 0;
  for (uint32_t s = 0; s < route->segmentCount; ++s) {
    const TerminalGroup* group = groupOf(route->path[s].terminal);
    if (group != nullptr && group->memberCount > 1) count += group->memberCount - 1;
  }
  if (count == 0) return true;
  void* alternates = segmentAllocator_(nullptr, uint64_t(count) * sizeof(Segment), segmentContext_);
  if (alternates == nullptr) {
    vorlanSetCode(status, kOutOfMemory);
    return false;
  }
  route->alternates = static_cast<Segment*>(alternates);
  route->alternateCount = 0;
  for (uint32_t s = 0; s < route->segmentCount; ++s) {
    const TerminalNode* reached = route->path[s].terminal;
    const TerminalGroup* group = groupOf(reached);
    if (group == nullptr || group->memberCount < 2) continue;
    for (uint32_t m = 0; m < group->memberCount; ++m) {
      TerminalNode* member = &terminals_[group->members[m]];
      if (member == reached || route->alternateCount == count) continue;
      route->alternates[route->alternateCount++] = Segment{defaultEdge(member), member};
    }
  }
  return true;
}

bool Topography::calculateRoute(uint64_t owner, const RouteCalculationSeedBase* seeds, uint32_t seedCount,
                                SeedPredicate acceptSeed, const uint32_t* destinationIds, uint32_t destinationCount,
                                uint32_t flags, Route**& routes, uint32_t& routeCount, tStatus& status) {
  if (status.isFatal()) return false;
  routes = nullptr;
  routeCount = 0;
  if (seedCount == 0) {
    vorlanSetCode(status, kInvalidArgument);
    return false;
  }
  resetSearch(flags);
  bool accepted = false;
  if (!acceptSeeds(seeds, seedCount, acceptSeed, accepted, status)) return false;
  if (status.isFatal() || !accepted || destinationCount == 0) return false;
  uint32_t groupMembers = 0;
  if (!markDestinations(destinationIds, destinationCount, groupMembers, status)) return false;

  // Half the slots for the routes found, half for their opposite-parity
  // alternatives.
  const uint32_t half = destinationCount + groupMembers;
  const uint32_t slots = 2 * half;
  Route** made = static_cast<Route**>(routeAllocator_(nullptr, uint64_t(slots) * sizeof(Route*), routeContext_));
  if (made == nullptr) {
    vorlanSetCode(status, kOutOfMemory);
    return false;
  }
  vorlan_driver::nKIVAPAL000::fillBytes(made, 0, uint64_t(slots) * sizeof(Route*));
  for (uint32_t i = 0; i < slots; ++i) {
    made[i] = static_cast<Route*>(routeAllocator_(nullptr, sizeof(Route), routeContext_));
    if (made[i] == nullptr) {
      vorlanSetCode(status, kOutOfMemory);
      releaseRoutes(made, slots);
      return false;
    }
    vorlan_driver::nKIVAPAL000::fillBytes(made[i], 0, sizeof(Route));
  }

  search();
  const uint32_t found = extractPaths(made, status);
  uint32_t nextFree = half;
  for (uint32_t i = 0; i < found && status.isNotFatal(); ++i) {
    Route* route = made[i];
    for (uint32_t s = 0; s < route->segmentCount; ++s) route->parity ^= route->path[s].edge->edge->isInverting() ? 1 : 0;
    addOppositeParity(route, made, nextFree, status);
  }
  if (status.isFatal() || found == 0) {
    releaseRoutes(made, slots);
    return found == 0 && status.isNotFatal();
  }

  // The routes found, then their alternatives; every other slot goes.
  uint32_t kept = 0;
  for (uint32_t i = 0; i < slots; ++i) {
    bool present = i < found || (i >= half && i < nextFree);
    if (present) {
      made[kept++] = made[i];
      continue;
    }
    releaseRoute(made[i]);
  }
  kept = removeGroupDuplicates(made, kept);
  for (uint32_t i = 0; i < kept; ++i) {
    if (addGroupAlternates(made[i], status)) continue;
    releaseRoutes(made, kept);
    return false;
  }
  for (uint32_t i = 0; i < kept; ++i) {
    made[i]->owner = owner;
    made[i]->state = Route::kCalculated;
  }
  routes = made;
  routeCount = kept;
  return false;
}

// ---- driving terminals

bool Topography::runProgram(const EdgeNode& edge, RouteProgrammerInterface& programmer, bool& begun, tStatus& status,
                            bool mergeEachPair) {
  const Edge& record = *edge.edge;
  const uint32_t argument = terminals_[record.target].terminal->programmerArgument;
  for (uint32_t i = 0; i < record.pairCount; ++i) {
    const ProgramPair& pair = info_.programPairs[record.firstPair + i];
    if (!begun) {
      programmer.begin(status);
      begun = true;
    }
    if (mergeEachPair) {
      tStatus own;
      programmer.execute(argument, pair.opcode, pair.value, own);
      status.merge(own);
      continue;
    }
    programmer.execute(argument, pair.opcode, pair.value, status);
    if (status.isFatal()) return false;
  }
  return status.isNotFatal();
}

void Topography::resetTerminal(TerminalNode* node, uint32_t mode, RouteProgrammerInterface& programmer,
                               tStatus& status) {
  if (status.isFatal()) return;
  if (hasReservedIncomingEdge(node)) {
    vorlanSetCode(status, routingStatusCodes::kTerminalInUse);
    return;
  }
  if (mode != kFirstIncomingEdge && mode != kDefaultEdge) {
    vorlanSetCode(status, kInvalidArgument);
    return;
  }
  bool begun = false;
  // A group's members that start from their default edge are driven from
  // it; the mode picks the edge of the last member that does not.
  TerminalNode* driven = node;
  const TerminalGroup* group = groupOf(node);
  for (uint32_t m = 0; group != nullptr && m < group->memberCount; ++m) {
    TerminalNode* member = &terminals_[group->members[m]];
    if (m == 0) driven = nullptr;
    if (member->terminal->incomingCount != 0 && !incomingEdge(member, 0)->edge->isDefault()) {
      driven = member;
      continue;
    }
    EdgeNode* edge = defaultEdge(member);
    if (edge == nullptr) {
      tStatus own;
      vorlanSetCode(own, routingStatusCodes::kNoDefaultEdge);
      status.merge(own);
      continue;
    }
    runProgram(*edge, programmer, begun, status, true);
  }
  if (driven != nullptr && status.isNotFatal()) {
    EdgeNode* edge = nullptr;
    if (mode == kDefaultEdge) edge = defaultEdge(driven);
    else if (driven->terminal->incomingCount != 0) edge = incomingEdge(driven, 0);
    if (edge == nullptr) vorlanSetCode(status, routingStatusCodes::kNoDefaultEdge);
    else runProgram(*edge, programmer, begun, status, true);
  }
  if (begun) programmer.end(status);
}

void Topography::unprogramRoute(const Segment* path, uint32_t segmentCount, const Segment* alternates,
                                uint32_t alternateCount, RouteProgrammerInterface& programmer) {
  tStatus dropped;
  bool begun = false;
  auto giveUp = [&](EdgeNode* edge) {
    if (edge == nullptr || edge->programmedCount == 0) return;
    if (--edge->programmedCount != 0) return;
    TerminalNode* target = targetOf(edge);
    if (target->keepsItsRoute()) return;
    // A terminal without incoming edges has no default to go back to.
    if (target->terminal->incomingCount == 0) return;
    runProgram(*incomingEdge(target, 0), programmer, begun, dropped, true);
  };
  for (uint32_t s = segmentCount; s-- > 0;) giveUp(path[s].edge);
  for (uint32_t a = alternateCount; a-- > 0;) giveUp(alternates[a].edge);
  if (begun) programmer.end(dropped);
}

}  // namespace kivark
