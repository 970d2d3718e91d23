// Small hand-made topographies for the routing tests, in the tables' own
// format, with the run-time nodes and a recording route programmer beside
// them.
#pragma once

#include <stdint.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "platform/status/tStatus.h"
#include "routing/topography/RouteProgrammerInterface.h"
#include "routing/routing-resources/RoutingResources.h"
#include "routing/topography/TopInfo.h"

namespace routing_test {

struct TinyEdge {
  uint32_t from;  // table indices
  uint32_t to;
  uint32_t cost;
  uint32_t flags = 0;
  std::vector<kivark::ProgramPair> program = {};
};

// Edges keep the given order within their source; a terminal's default
// edges come first in its incoming list. Groups list their members' table
// indices; group g is number g + 1.
class TinyTopography {
 public:
  TinyTopography(std::vector<uint32_t> terminalFlags, std::vector<TinyEdge> edges,
                 std::vector<std::vector<uint32_t>> groups = {})
      : members_(std::move(groups)) {
    std::stable_sort(edges.begin(), edges.end(), [](const TinyEdge& a, const TinyEdge& b) { return a.from < b.from; });
    const uint32_t count = static_cast<uint32_t>(terminalFlags.size());
    terminals_.resize(count);
    std::vector<std::vector<uint32_t>> incoming(count);
    for (uint32_t t = 0; t < count; ++t) terminals_[t] = kivark::Terminal{t + 1, 0, 0, 0, 0, 0, 0, terminalFlags[t]};
    for (uint32_t e = 0; e < edges.size(); ++e) {
      const TinyEdge& edge = edges[e];
      kivark::Terminal& source = terminals_[edge.from];
      if (source.outgoingCount++ == 0) source.firstOutgoing = e;
      edges_.push_back(kivark::Edge{edge.cost, edge.to, zero_, 0, static_cast<uint32_t>(pairs_.size()),
                                    static_cast<uint32_t>(edge.program.size()), edge.flags});
      pairs_.insert(pairs_.end(), edge.program.begin(), edge.program.end());
      incoming[edge.to].push_back(e);
    }
    for (uint32_t t = 0; t < count; ++t) {
      std::stable_partition(incoming[t].begin(), incoming[t].end(),
                            [this](uint32_t e) { return edges_[e].isDefault(); });
      terminals_[t].firstIncoming = static_cast<uint32_t>(incoming_.size());
      terminals_[t].incomingCount = static_cast<uint32_t>(incoming[t].size());
      incoming_.insert(incoming_.end(), incoming[t].begin(), incoming[t].end());
      if (terminals_[t].outgoingCount == 0) terminals_[t].firstOutgoing = static_cast<uint32_t>(edges_.size());
    }
    groups_.resize(std::max<size_t>(members_.size(), 2));
    for (uint32_t g = 0; g < members_.size(); ++g) {
      groups_[g].members = members_[g].data();
      groups_[g].memberCount = static_cast<uint32_t>(members_[g].size());
      for (uint32_t member : members_[g]) terminals_[member].group = g + 1;
    }
    pairs_.push_back({0, 0});  // keeps data() valid for tables without programs
    incoming_.push_back(0);
    info_ = kivark::TopInfo{"tiny", terminals_.data(), edges_.data(), groups_.data(), pairs_.data(), zero_,
                            incoming_.data(), count, static_cast<uint32_t>(edges_.size()), 0, 1};
    terminalNodes_.resize(count);
    edgeNodes_.resize(edges_.size());
    queue_.resize(count);
  }

  const kivark::TopInfo& info() const { return info_; }
  kivark::TerminalNode* terminalNodes() { return terminalNodes_.data(); }
  kivark::EdgeNode* edgeNodes() { return edgeNodes_.data(); }
  kivark::TerminalNode** queue() { return queue_.data(); }
  // Table index of the edge from `from` to `to` (the first, when several).
  uint32_t edgeIndex(uint32_t from, uint32_t to) const {
    const kivark::Terminal& source = terminals_[from];
    for (uint32_t e = source.firstOutgoing; e < source.firstOutgoing + source.outgoingCount; ++e)
      if (edges_[e].target == to) return e;
    return UINT32_MAX;
  }

 private:
  uint64_t zero_[2] = {0, 0};
  std::vector<std::vector<uint32_t>> members_;
  std::vector<kivark::TerminalGroup> groups_;
  std::vector<kivark::Terminal> terminals_;
  std::vector<kivark::Edge> edges_;
  std::vector<kivark::ProgramPair> pairs_;
  std::vector<uint32_t> incoming_;
  kivark::TopInfo info_;
  std::vector<kivark::TerminalNode> terminalNodes_;
  std::vector<kivark::EdgeNode> edgeNodes_;
  std::vector<kivark::TerminalNode*> queue_;
};

// Records every call as text: "begin", "end", "<opcode>:<value>" (the
// programmer argument is 0 in every table). Fails the n-th execute when told.
class RecordingProgrammer : public kivark::RouteProgrammerInterface {
 public:
  void begin(nKIVAPALS100::tStatus&) override { calls.push_back("begin"); }
  void execute(uint32_t, uint32_t opcode, uint32_t value, nKIVAPALS100::tStatus& status) override {
    if (status.isFatal()) return;
    calls.push_back(std::to_string(opcode) + ":" + std::to_string(value));
    if (++executed == failAt) vorlanSetCode(status, -52006);
  }
  void end(nKIVAPALS100::tStatus&) override { calls.push_back("end"); }

  std::vector<std::string> calls;
  uint32_t executed = 0;
  uint32_t failAt = 0;
};

typedef kivark::RoutingResources<kivark::Terminal*, kivark::Edge*> Resources;

// Resources over a tiny topography, with the caller-visible arrays released
// through the resources' own helper.
class TinyResources {
 public:
  explicit TinyResources(TinyTopography& topography)
      : resources(topography.info(), topography.terminalNodes(), topography.edgeNodes(), topography.queue(),
                  &programmer, status) {}
  ~TinyResources() {
    kivark::AllocHelper helper = resources.getAllocHelper();
    helper.function(results, 0, helper.context);
    helper.function(conflicts, 0, helper.context);
    helper.function(path, 0, helper.context);
  }

  // Routes from the seeds to the destinations (ids); the records are in
  // `results`, `resultCount` of them.
  bool calculate(std::vector<kivark::RouteCalculationSeedBase> seeds, std::vector<uint32_t> destinations,
                 nKIVAPALS100::tStatus& out, uint32_t flags = 0, uint64_t owner = 7) {
    resultCount = 0;
    return resources.calculateRoute(owner, seeds.data(), static_cast<uint32_t>(seeds.size()), destinations.data(),
                                    static_cast<uint32_t>(destinations.size()), flags, results, resultCount, out);
  }
  // The id of the one route from seed to destination, 0 when none.
  uint32_t route(uint32_t seedId, uint32_t destinationId, uint64_t owner = 7) {
    nKIVAPALS100::tStatus out;
    calculate({{seedId, 0, 0, {}}}, {destinationId}, out, 0, owner);
    return out.isNotFatal() && resultCount == 1 ? results[0].routeId : 0;
  }
  std::vector<uint32_t> terminalPath(uint32_t routeId) {
    nKIVAPALS100::tStatus out;
    uint32_t count = pathCapacity;
    resources.getRouteTerminalPath(routeId, path, count, out);
    if (out.isFatal()) return {};
    pathCapacity = std::max(pathCapacity, count);
    return std::vector<uint32_t>(path, path + count);
  }

  nKIVAPALS100::tStatus status;
  RecordingProgrammer programmer;
  Resources resources;
  kivark::RoutePossibilityBase* results = nullptr;
  uint32_t resultCount = 0;
  kivark::RouteConflict* conflicts = nullptr;
  uint32_t* path = nullptr;
  uint32_t pathCapacity = 0;
};

}  // namespace routing_test
