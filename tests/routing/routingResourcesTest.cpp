// Routing resources over a small hand-made topography with a recording route
// programmer: reservation and its conflicts, programming shared edges once,
// giving terminals back to their defaults, resets and route bookkeeping.
#include <gtest/gtest.h>

#include "kal/include/kalStandIn.h"
#include "tests/support/allocationFailures.h"
#include "tests/routing/TinyTopography.h"

namespace {

using kivark::Terminal;
using nKIVAPALS100::tStatus;
using routing_test::TinyEdge;
using routing_test::TinyResources;
using routing_test::TinyTopography;
using Calls = std::vector<std::string>;

// R(1) drives every terminal with incoming edges by default, writing 100 +
// the terminal's index; S(2) and T(6) are sources; M(3) is exclusive and
// fans out to D1(4) and D2(5). Each switching edge writes 10 x source index
// + target index.
enum : uint32_t { R, S, M, D1, D2, T };
uint32_t id(uint32_t index) { return index + 1; }

TinyEdge def(uint32_t to) { return {R, to, 0, kivark::Edge::kDefaultMarker, {{27, 100 + to}}}; }
TinyEdge sw(uint32_t from, uint32_t to) { return {from, to, 1, 0, {{27, 10 * from + to}}}; }

TinyTopography board(uint32_t d1Flags = 0) {
  return TinyTopography({Terminal::kKeep, 0, Terminal::kExclusive, d1Flags, 0, 0},
                        {def(M), def(D1), def(D2), sw(S, M), sw(M, D1), sw(M, D2), sw(T, M)});
}

class RoutingResourcesTest : public ::testing::Test {
 protected:
  void SetUp() override { kalsim::reset(); }
  void TearDown() override { kalsim::failAllocationOnThisThread(0); }

  static tStatus reserve(TinyResources& tiny, uint32_t route) {
    tStatus status;
    tiny.resources.reserveRoute(route, tiny.conflicts, tiny.resultCount, status);
    return status;
  }
  static tStatus program(TinyResources& tiny, uint32_t route) {
    tiny.programmer.calls.clear();
    tStatus status;
    tiny.resources.programRoute(route, status);
    return status;
  }
  static Calls unprogram(TinyResources& tiny, uint32_t route) {
    tiny.programmer.calls.clear();
    tiny.resources.unprogramRoute(route);
    return tiny.programmer.calls;
  }
};

// Two routes from S share the edge into M: both reserve, and the second
// programs only its own edge. Giving them up re-drives D2, then D1 and M
// from their default edges, but only once no programmed route uses them.
TEST_F(RoutingResourcesTest, SharedEdgesAreProgrammedOnceAndGivenBackByTheLastUser) {
  TinyTopography topography = board();
  TinyResources tiny(topography);
  uint32_t first = tiny.route(id(S), id(D1));
  uint32_t second = tiny.route(id(S), id(D2));
  ASSERT_EQ(reserve(tiny, first).getCode(), 0);
  ASSERT_EQ(reserve(tiny, second).getCode(), 0);
  kivark::EdgeNode& shared = topography.edgeNodes()[topography.edgeIndex(S, M)];
  EXPECT_EQ(shared.reservedCount, 2u);

  EXPECT_EQ(program(tiny, first).getCode(), 0);
  EXPECT_EQ(tiny.programmer.calls, (Calls{"begin", "27:12", "27:23", "end"}));
  EXPECT_EQ(program(tiny, second).getCode(), 0);
  EXPECT_EQ(tiny.programmer.calls, (Calls{"begin", "27:24", "end"}));
  EXPECT_EQ(shared.programmedCount, 2u);
  EXPECT_EQ(tiny.resources.getRouteState(second), 300u);
  EXPECT_EQ(program(tiny, second).getCode(), -52005) << "programmed already";
  EXPECT_TRUE(tiny.programmer.calls.empty());

  EXPECT_EQ(unprogram(tiny, second), (Calls{"begin", "27:104", "end"}));
  EXPECT_EQ(unprogram(tiny, second), Calls{}) << "not programmed any more";
  EXPECT_EQ(unprogram(tiny, first), (Calls{"begin", "27:103", "27:102", "end"}));
  EXPECT_EQ(shared.programmedCount, 0u);
  EXPECT_EQ(tiny.resources.getRouteState(first), 200u);
}

// A terminal that keeps its route is left as it is.
TEST_F(RoutingResourcesTest, AKeepingTerminalIsNotDrivenBack) {
  TinyTopography topography = board(Terminal::kKeep);
  TinyResources tiny(topography);
  uint32_t route = tiny.route(id(S), id(D1));
  ASSERT_EQ(reserve(tiny, route).getCode(), 0);
  ASSERT_EQ(program(tiny, route).getCode(), 0);
  EXPECT_EQ(unprogram(tiny, route), (Calls{"begin", "27:102", "end"}));
}

// T's edge into M, which a reserved route drives from S, is unavailable: a
// route over it (calculated with unavailable edges allowed) conflicts with
// the route holding M and changes nothing.
TEST_F(RoutingResourcesTest, AReservationAgainstADrivenTerminalReportsTheRouteHoldingIt) {
  TinyTopography topography = board();
  TinyResources tiny(topography);
  uint32_t holder = tiny.route(id(S), id(D1), 11);
  ASSERT_EQ(reserve(tiny, holder).getCode(), 0);
  EXPECT_EQ(tiny.route(id(T), id(D1)), 0u) << "the search keeps off the unavailable edge";
  tStatus status;
  tiny.calculate({{id(T), 0, 0, {}}}, {id(D1)}, status, kivark::Topography::kAllowUnavailableEdges);
  ASSERT_EQ(tiny.resultCount, 1u);
  uint32_t blocked = tiny.results[0].routeId;

  tStatus refused = reserve(tiny, blocked);
  EXPECT_EQ(refused.getCode(), -89137);
  ASSERT_EQ(tiny.resultCount, 1u);
  EXPECT_EQ(tiny.conflicts[0].owner, 11u);
  EXPECT_EQ(tiny.conflicts[0].routeId, holder);
  EXPECT_EQ(tiny.resources.getRouteState(blocked), 100u);
  const kivark::EdgeNode* nodes = topography.edgeNodes();
  EXPECT_EQ(nodes[topography.edgeIndex(T, M)].reservedCount, 0u);
  EXPECT_EQ(nodes[topography.edgeIndex(T, M)].available, 0);
  EXPECT_EQ(nodes[topography.edgeIndex(M, D1)].reservedCount, 1u);

  // Unreserving the holder makes T's edge available again.
  tiny.resources.unreserveRoute(holder);
  EXPECT_EQ(nodes[topography.edgeIndex(T, M)].available, 1);
  EXPECT_EQ(reserve(tiny, blocked).getCode(), 0);
}

// M is exclusive: a route may neither start at it while a reservation drives
// it, nor end at it while a reservation leaves it.
TEST_F(RoutingResourcesTest, ExclusiveTerminalsConflictAtBothEnds) {
  TinyTopography topography = board();
  struct Case {
    uint32_t heldFrom, heldTo, from, to;
  } cases[] = {{S, D1, M, D2}, {M, D1, S, M}};
  for (const Case& c : cases) {
    TinyResources tiny(topography);
    uint32_t holder = tiny.route(id(c.heldFrom), id(c.heldTo), 11);
    uint32_t other = tiny.route(id(c.from), id(c.to));
    ASSERT_NE(other, 0u);
    ASSERT_EQ(reserve(tiny, holder).getCode(), 0);
    tStatus refused = reserve(tiny, other);
    EXPECT_EQ(refused.getCode(), -89137) << c.from << " to " << c.to;
    ASSERT_EQ(tiny.resultCount, 1u);
    EXPECT_EQ(tiny.conflicts[0].routeId, holder);
    tiny.resources.destroyRoute(holder);
  }
}

// A route is reserved only from 100 and programmed only from 200; leaving
// goes back down the states, and a destroyed route is gone for good.
TEST_F(RoutingResourcesTest, RouteStatesAndIds) {
  TinyTopography topography = board();
  TinyResources tiny(topography);
  uint32_t route = tiny.route(id(S), id(D1));
  EXPECT_EQ(route, 1u);
  EXPECT_EQ(program(tiny, route).getCode(), -52005) << "not reserved";
  EXPECT_EQ(reserve(tiny, 99).getCode(), -52005);
  ASSERT_EQ(reserve(tiny, route).getCode(), 0);
  EXPECT_EQ(reserve(tiny, route).getCode(), -52005);
  ASSERT_EQ(program(tiny, route).getCode(), 0);

  tiny.programmer.calls.clear();
  tiny.resources.unreserveRoute(route);
  EXPECT_EQ(tiny.programmer.calls, (Calls{"begin", "27:103", "27:102", "end"})) << "unprogrammed first";
  EXPECT_EQ(tiny.resources.getRouteState(route), 100u);
  EXPECT_EQ(topography.edgeNodes()[topography.edgeIndex(S, M)].reservedCount, 0u);

  ASSERT_EQ(reserve(tiny, route).getCode(), 0);
  ASSERT_EQ(program(tiny, route).getCode(), 0);
  tiny.programmer.calls.clear();
  tiny.resources.destroyRoute(route);
  EXPECT_EQ(tiny.programmer.calls, (Calls{"begin", "27:103", "27:102", "end"}));
  EXPECT_EQ(tiny.resources.getRouteState(route), 0u);
  EXPECT_EQ(topography.edgeNodes()[topography.edgeIndex(M, D1)].reservedCount, 0u);
  EXPECT_EQ(tiny.route(id(S), id(D1)), 2u) << "ids are not reused";
}

// A failed pair leaves the route reserved; the edges programmed before it
// keep their counts.
TEST_F(RoutingResourcesTest, AFailedProgramLeavesTheRouteReserved) {
  TinyTopography topography = board();
  TinyResources tiny(topography);
  uint32_t route = tiny.route(id(S), id(D1));
  ASSERT_EQ(reserve(tiny, route).getCode(), 0);
  tiny.programmer.failAt = 2;
  EXPECT_EQ(program(tiny, route).getCode(), -52006);
  EXPECT_EQ(tiny.programmer.calls, (Calls{"begin", "27:12", "27:23", "end"}));
  EXPECT_EQ(tiny.resources.getRouteState(route), 200u);
  EXPECT_EQ(topography.edgeNodes()[topography.edgeIndex(S, M)].programmedCount, 1u);
  EXPECT_EQ(topography.edgeNodes()[topography.edgeIndex(M, D1)].programmedCount, 0u);
}

TEST_F(RoutingResourcesTest, ResettingTerminals) {
  TinyTopography topography = board();
  TinyResources tiny(topography);
  struct Case {
    uint32_t terminal, mode;
    int64_t code;
    Calls calls;
  } cases[] = {
      {id(D1), 0, 0, {"begin", "27:103", "end"}},
      {id(D1), 1, 0, {"begin", "27:103", "end"}},
      {id(S), 0, -89128, {}},
      {id(R), 1, -89128, {}},
      {id(D1), 2, -52005, {}},
      {42, 0, -52005, {}},
  };
  for (const Case& c : cases) {
    tiny.programmer.calls.clear();
    tStatus status;
    tiny.resources.resetTerminal(c.terminal, c.mode, status);
    EXPECT_EQ(status.getCode(), c.code) << c.terminal << " mode " << c.mode;
    EXPECT_EQ(tiny.programmer.calls, c.calls) << c.terminal << " mode " << c.mode;
  }

  // Terminals driven by a reservation are in use; the walk goes on past them.
  ASSERT_EQ(reserve(tiny, tiny.route(id(S), id(D1))).getCode(), 0);
  tiny.programmer.calls.clear();
  tStatus status;
  tiny.resources.resetTerminal(id(M), 0, status);
  EXPECT_EQ(status.getCode(), -89127);
  tStatus all;
  tiny.resources.resetAllTerminalsToDefault(all);
  EXPECT_EQ(all.getCode(), -89127);
  EXPECT_EQ(tiny.programmer.calls, (Calls{"begin", "27:104", "end"}));
}

// A reset route drives one terminal from its default under the rules of
// routes: its path is the terminal twice.
TEST_F(RoutingResourcesTest, ResetRoutes) {
  TinyTopography topography = board();
  TinyResources tiny(topography);
  tStatus status;
  uint32_t route = tiny.resources.calculateResetTerminal(5, id(D2), 1, status);
  ASSERT_NE(route, 0u);
  EXPECT_EQ(tiny.terminalPath(route), (std::vector<uint32_t>{id(D2), id(D2)}));
  EXPECT_EQ(tiny.resources.getRouteState(route), 100u);
  ASSERT_EQ(reserve(tiny, route).getCode(), 0);
  EXPECT_EQ(program(tiny, route).getCode(), 0);
  EXPECT_EQ(tiny.programmer.calls, (Calls{"begin", "27:104", "end"}));

  EXPECT_EQ(tiny.resources.calculateResetTerminal(5, id(S), 0, status), 0u);
  EXPECT_EQ(status.getCode(), -89128);
}

// The path of n segments has n + 1 entries; a short array is replaced.
TEST_F(RoutingResourcesTest, TerminalPaths) {
  TinyTopography topography = board();
  TinyResources tiny(topography);
  uint32_t route = tiny.route(id(S), id(D1));
  EXPECT_EQ(tiny.terminalPath(route), (std::vector<uint32_t>{id(S), id(M), id(D1)}));
  uint32_t* kept = tiny.path;
  EXPECT_EQ(tiny.terminalPath(tiny.route(id(M), id(D2))), (std::vector<uint32_t>{id(M), id(D2)}));
  EXPECT_EQ(tiny.path, kept) << "room enough";
  tStatus status;
  uint32_t count = 0;
  tiny.resources.getRouteTerminalPath(77, tiny.path, count, status);
  EXPECT_EQ(status.getCode(), -52005);
}

// Every allocation of a calculation fails in turn: the call reports it,
// adds no route and leaks nothing.
TEST_F(RoutingResourcesTest, AllocationFailuresLeaveNoRouteBehind) {
  TinyTopography topography = board();
  const uint32_t failures = testsupport::forEveryAllocationFailure([&](testsupport::AllocationFailure& failure) {
    TinyResources tiny(topography);
    const kivark::RouteCalculationSeedBase seeds[] = {{id(S), 0, 0, {}}, {id(S), 0, 1, {}}};
    const uint32_t destinations[] = {id(D1), id(D2)};
    tStatus status;
    tiny.resources.calculateRoute(7, seeds, 2, destinations, 2, 0, tiny.results, tiny.resultCount, status);
    failure.disarm();
    const uint32_t nth = failure.nth();
    if (status.isNotFatal()) {
      EXPECT_EQ(tiny.resultCount, 4u) << nth;
      return;
    }
    EXPECT_TRUE(status.getCode() == -52000 || status.getCode() == -52019) << status.getCode();
    EXPECT_EQ(tiny.resultCount, 0u) << nth;
    for (uint32_t route = 1; route <= 4; ++route) EXPECT_EQ(tiny.resources.getRouteState(route), 0u) << nth;
  });
  EXPECT_GT(failures, 0u);
}

}  // namespace

// G1, G2 and G3 form a group; G1 and G2 start from their default edges, G3
// only from S. A route into one member drives the others from their
// defaults along with it (G3 has none: listed without an edge) and holds
// the whole group.
class GroupedTerminalsTest : public RoutingResourcesTest {
 protected:
  enum : uint32_t { R, S, G1, G2, G3 };
  static TinyTopography grouped() {
    return TinyTopography({Terminal::kKeep, 0, 0, 0, 0}, {def(G1), def(G2), sw(S, G1), sw(S, G3)}, {{G1, G2, G3}});
  }
};

TEST_F(GroupedTerminalsTest, ARouteIntoAMemberCarriesTheOthersAsAlternates) {
  TinyTopography topography = grouped();
  TinyResources tiny(topography);
  uint32_t route = tiny.route(id(S), id(G1));
  ASSERT_NE(route, 0u);
  ASSERT_EQ(reserve(tiny, route).getCode(), 0);
  kivark::EdgeNode* edges = topography.edgeNodes();
  EXPECT_EQ(edges[topography.edgeIndex(R, G2)].reservedCount, 1u) << "G2's default edge is an alternate";
  EXPECT_EQ(edges[topography.edgeIndex(S, G1)].reservedCount, 1u);
  EXPECT_EQ(edges[topography.edgeIndex(R, G1)].available, 0) << "G1 is driven by the route";

  // A member's reservation holds every member.
  tStatus held;
  tiny.resources.resetTerminal(id(G3), 0, held);
  EXPECT_EQ(held.getCode(), -89127);

  EXPECT_EQ(program(tiny, route).getCode(), 0);
  EXPECT_EQ(tiny.programmer.calls, (Calls{"begin", "27:103", "27:12", "end"})) << "alternates first";
  EXPECT_EQ(unprogram(tiny, route), (Calls{"begin", "27:102", "27:103", "end"}));
  tiny.resources.destroyRoute(route);
  EXPECT_EQ(edges[topography.edgeIndex(R, G2)].reservedCount, 0u);
  EXPECT_EQ(edges[topography.edgeIndex(R, G1)].available, 1);
}

// Resetting one member drives those starting from their default edge from
// it; the mode picks the edge of the one that does not.
TEST_F(GroupedTerminalsTest, ResettingAMemberResetsTheGroup) {
  TinyTopography topography = grouped();
  TinyResources tiny(topography);
  struct Case {
    uint32_t terminal, mode;
    int64_t code;
    Calls calls;
  } cases[] = {
      {id(G1), 0, 0, {"begin", "27:102", "27:103", "27:14", "end"}},
      {id(G3), 0, 0, {"begin", "27:102", "27:103", "27:14", "end"}},
      {id(G2), 1, -89128, {"begin", "27:102", "27:103", "end"}},
      {id(G1), 2, -52005, {}},
  };
  for (const Case& c : cases) {
    tiny.programmer.calls.clear();
    tStatus status;
    tiny.resources.resetTerminal(c.terminal, c.mode, status);
    EXPECT_EQ(status.getCode(), c.code) << c.terminal << " mode " << c.mode;
    EXPECT_EQ(tiny.programmer.calls, c.calls) << c.terminal << " mode " << c.mode;
  }

  // A reset route takes the other members' defaults as alternates.
  tStatus status;
  uint32_t route = tiny.resources.calculateResetTerminal(5, id(G1), 1, status);
  ASSERT_NE(route, 0u);
  ASSERT_EQ(reserve(tiny, route).getCode(), 0);
  EXPECT_EQ(program(tiny, route).getCode(), 0);
  EXPECT_EQ(tiny.programmer.calls, (Calls{"begin", "27:103", "27:102", "end"}));
}
