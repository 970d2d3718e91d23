// The run-time view of one topography: its terminal and edge nodes beside the
// constant tables, the least-cost search over them, and the steps that drive
// single terminals and edges through the route programmer.
//
// Terminals of one group stand for one another: reaching one member reaches
// the group, and a member driven by a reservation holds the whole group.
#pragma once

#include <stdint.h>

#include "platform/status/tStatus.h"
#include "routing/algorithms/GrowOnlyHeap.h"
#include "routing/topography/RouteProgrammerInterface.h"
#include "routing/topography/Route.h"
#include "routing/topography/RouteCalculationSeedBase.h"
#include "routing/topography/TerminalNode.h"
#include "routing/topography/TopInfo.h"

namespace kivark {

class Topography {
 public:
  typedef bool (*SeedPredicate)(const RouteCalculationSeedBase& seed);
  // Flags of calculateRoute.
  static constexpr uint32_t kAllowUnavailableEdges = 1u << 0;
  // Modes of resetTerminal.
  static constexpr uint32_t kFirstIncomingEdge = 0;
  static constexpr uint32_t kDefaultEdge = 1;

  // `queue` has room for one pointer per terminal.
  Topography(const TopInfo& info, TerminalNode* terminals, EdgeNode* edges, TerminalNode** queue);
  Topography(const Topography&) = delete;
  Topography& operator=(const Topography&) = delete;

  // Both callbacks get the arena of the running operation, null outside one.
  void setAllocationContext(void* arena);

  uint32_t getTerminalCount() const { return terminalCount_; }
  uint32_t getEdgeCount() const { return edgeCount_; }
  TerminalNode* terminalAt(uint32_t index) { return &terminals_[index]; }
  EdgeNode* edgeAt(uint32_t index) { return &edges_[index]; }
  // Direct index for the tables' ids, a scan for anything else; null when
  // no terminal has the id.
  TerminalNode* findTerminal(uint32_t id);
  TerminalNode* targetOf(const EdgeNode* edge) { return &terminals_[edge->edge->target]; }
  EdgeNode* outgoingEdge(const TerminalNode* node, uint32_t i) { return &edges_[node->terminal->firstOutgoing + i]; }
  EdgeNode* incomingEdge(const TerminalNode* node, uint32_t i) {
    return &edges_[incoming_[node->terminal->firstIncoming + i]];
  }
  // The first incoming edge carrying the default marker, or null.
  EdgeNode* defaultEdge(const TerminalNode* node);
  // The terminal's group, null when it has none.
  const TerminalGroup* groupOf(const TerminalNode* node) const {
    return node->terminal->group == 0 ? nullptr : &info_.groups[node->terminal->group - 1];
  }
  // Every incoming edge of the terminal, or of every member of its group.
  template <typename Visit>
  void forEachIncomingEdgeOfGroup(const TerminalNode* node, Visit visit) {
    const TerminalGroup* group = groupOf(node);
    const uint32_t members = group == nullptr ? 1 : group->memberCount;
    for (uint32_t m = 0; m < members; ++m) {
      const TerminalNode* member = group == nullptr ? node : &terminals_[group->members[m]];
      for (uint32_t i = 0; i < member->terminal->incomingCount; ++i) visit(incomingEdge(member, i));
    }
  }
  // Of the terminal or of any member of its group.
  bool hasReservedIncomingEdge(const TerminalNode* node);
  bool hasReservedOutgoingEdge(const TerminalNode* node);

  // One least-cost search from the accepted seeds to the destinations; the
  // routes and their array come from the installed arena. True only when
  // the search ran and reached no destination.
  bool calculateRoute(uint64_t owner, const RouteCalculationSeedBase* seeds, uint32_t seedCount,
                      SeedPredicate acceptSeed, const uint32_t* destinationIds, uint32_t destinationCount,
                      uint32_t flags, Route**& routes, uint32_t& routeCount, nKIVAPALS100::tStatus& status);

  // Drives the terminal from its first incoming edge (mode 0) or its first
  // default edge (mode 1); refused while an edge into it, or into a member
  // of its group, is reserved. Of a group, the members starting from their
  // default edge are driven from it, and the mode applies to the last one
  // that does not.
  void resetTerminal(TerminalNode* node, uint32_t mode, RouteProgrammerInterface& programmer,
                     nKIVAPALS100::tStatus& status);
  // Runs an edge's program pairs, calling begin before the first pair of
  // the operation. Stops at the first failed pair unless each pair is to
  // run under a status of its own merged into `status`. False after a
  // failure.
  bool runProgram(const EdgeNode& edge, RouteProgrammerInterface& programmer, bool& begun,
                  nKIVAPALS100::tStatus& status, bool mergeEachPair);
  // Gives up one programmed use of each edge, last segment first; a
  // terminal whose last programmed edge goes is driven back to its default
  // edge unless it keeps its route. Failures are dropped.
  void unprogramRoute(const Segment* path, uint32_t segmentCount, const Segment* alternates,
                      uint32_t alternateCount, RouteProgrammerInterface& programmer);

  // Lists, for every segment reaching a group of more than one member, the
  // group's other members with their default edges (null when they have
  // none) as the route's alternates, in the installed arena.
  bool addGroupAlternates(Route* route, nKIVAPALS100::tStatus& status);

  // Empties the cost-ordered queue.
  void unlinkAll();

 private:
  bool mayTake(const EdgeNode& edge, const TerminalNode& from, const TerminalNode& to) const;
  void resetSearch(uint32_t flags);
  bool acceptSeeds(const RouteCalculationSeedBase* seeds, uint32_t seedCount, SeedPredicate acceptSeed,
                   bool& accepted, nKIVAPALS100::tStatus& status);
  bool markDestinations(const uint32_t* destinationIds, uint32_t destinationCount, uint32_t& groupMembers,
                        nKIVAPALS100::tStatus& status);
  void search();
  uint32_t extractPaths(Route** routes, nKIVAPALS100::tStatus& status);
  void addOppositeParity(Route* route, Route** routes, uint32_t& nextFree, nKIVAPALS100::tStatus& status);
  void releaseRoutes(Route** routes, uint32_t slots);
  uint32_t removeGroupDuplicates(Route** routes, uint32_t count);
  void releaseRoute(Route* route);

  // The cost-ordered queue: a binary heap ordered by cost, then by latest
  // placement first, which is the order of an ascending list into which
  // each node is inserted ahead of every node of the same cost.
  bool comesBefore(const TerminalNode* a, const TerminalNode* b) const;
  void place(TerminalNode* node, uint32_t index);
  void siftUp(uint32_t index);
  void siftDown(uint32_t index);
  void queueAt(TerminalNode* node, uint32_t cost);
  TerminalNode* takeFirst();

  TerminalNode* terminals_;
  uint32_t terminalCount_;
  EdgeNode* edges_;
  uint32_t edgeCount_;
  bool allowUnavailable_;
  TerminalNode* expanding_;
  TerminalNode** queue_;
  uint32_t queued_;
  uint32_t placements_;
  uint32_t destinationsToReach_;
  uint32_t reached_;
  ResizeFn segmentAllocator_;
  void* segmentContext_;
  ResizeFn routeAllocator_;
  void* routeContext_;
  const TopInfo& info_;
  const uint32_t* incoming_;
};

}  // namespace kivark
