// Route calculation over small hand-made topographies: which path the search
// takes, which seeds and destinations it accepts, and the records it gives.
#include <gtest/gtest.h>

#include "kal/include/kalStandIn.h"
#include "tests/routing/TinyTopography.h"

namespace {

using kivark::RouteCalculationSeedBase;
using kivark::Terminal;
using nKIVAPALS100::tStatus;
using routing_test::TinyEdge;
using routing_test::TinyResources;
using routing_test::TinyTopography;

constexpr uint32_t kEndpoint = Terminal::kEndpointOnly;
constexpr uint32_t kExclusive = Terminal::kExclusive;
constexpr uint32_t kInverting = 1;

RouteCalculationSeedBase seed(uint32_t id, uint32_t cost = 0, uint8_t inverted = 0) { return {id, cost, inverted, {}}; }

class RouteCalculationTest : public ::testing::Test {
 protected:
  void SetUp() override { kalsim::reset(); }
};

// S(1) reaches D(4) over A(2) or B(3) at equal cost: the node placed last
// is settled first, so the path follows the later of S's edges.
TEST_F(RouteCalculationTest, EqualCostsFollowTheEdgeTableOrder) {
  struct Case {
    uint32_t first, second, via;
  } cases[] = {{1, 2, 3}, {2, 1, 2}};
  for (const Case& c : cases) {
    TinyTopography topography({0, 0, 0, 0},
                              {{0, c.first, 1}, {0, c.second, 1}, {1, 3, 1}, {2, 3, 1}});
    TinyResources tiny(topography);
    uint32_t id = tiny.route(1, 4);
    ASSERT_NE(id, 0u);
    EXPECT_EQ(tiny.terminalPath(id), (std::vector<uint32_t>{1, c.via, 4})) << "S's edges to " << c.first << ", "
                                                                            << c.second;
    EXPECT_EQ(tiny.results[0].cost, 2u);
  }
}

// No route passes through an endpoint-only terminal that is neither seed nor
// destination; the same terminal as a destination is reached, but still not
// passed through.
TEST_F(RouteCalculationTest, EndpointOnlyTerminalsAreNotPassedThrough) {
  TinyTopography topography({0, kEndpoint, 0}, {{0, 1, 1}, {1, 2, 1}, {0, 2, 10}});
  TinyResources tiny(topography);
  tStatus status;
  EXPECT_FALSE(tiny.calculate({seed(1)}, {3}, status));
  ASSERT_EQ(tiny.resultCount, 1u);
  EXPECT_EQ(tiny.results[0].cost, 10u);
  EXPECT_EQ(tiny.terminalPath(tiny.results[0].routeId), (std::vector<uint32_t>{1, 3}));

  EXPECT_FALSE(tiny.calculate({seed(1)}, {2, 3}, status));
  ASSERT_EQ(tiny.resultCount, 2u);
  EXPECT_EQ(tiny.results[0].terminalId, 2u);
  EXPECT_EQ(tiny.results[0].cost, 1u);
  EXPECT_EQ(tiny.results[1].terminalId, 3u);
  EXPECT_EQ(tiny.results[1].cost, 10u);
  EXPECT_EQ(status.getCode(), 0);
}

// X(2) is exclusive. Once a reserved route drives it, it is no seed; once a
// reserved route leaves it, it is no destination. With nothing left to
// start from or to reach, the result is false with no record.
TEST_F(RouteCalculationTest, ExclusiveTerminalsInUseAreNeitherSeedsNorDestinations) {
  TinyTopography topography({0, kExclusive, 0, 0}, {{0, 1, 1}, {1, 2, 1}, {3, 1, 1}});
  {
    TinyResources tiny(topography);
    uint32_t into = tiny.route(1, 2);
    tStatus status;
    tiny.resources.reserveRoute(into, tiny.conflicts, tiny.resultCount, status);
    ASSERT_EQ(status.getCode(), 0);
    EXPECT_FALSE(tiny.calculate({seed(2)}, {3}, status));
    EXPECT_EQ(tiny.resultCount, 0u);
    EXPECT_FALSE(tiny.calculate({seed(2), seed(1)}, {3}, status));
    EXPECT_EQ(tiny.resultCount, 1u) << "the other seed still routes";
    EXPECT_EQ(status.getCode(), 0);
  }
  {
    TinyResources tiny(topography);
    uint32_t out = tiny.route(2, 3);
    tStatus status;
    tiny.resources.reserveRoute(out, tiny.conflicts, tiny.resultCount, status);
    ASSERT_EQ(status.getCode(), 0);
    EXPECT_FALSE(tiny.calculate({seed(4)}, {2}, status));
    EXPECT_EQ(tiny.resultCount, 0u);
    EXPECT_EQ(status.getCode(), 0);
  }
}

// A reserved route into M leaves M's other incoming edges unavailable: the
// search takes them only when told to.
TEST_F(RouteCalculationTest, UnavailableEdgesOnlyWhenAllowed) {
  TinyTopography topography({0, 0, 0}, {{0, 1, 1}, {2, 1, 1}});
  TinyResources tiny(topography);
  tStatus status;
  tiny.resources.reserveRoute(tiny.route(1, 2), tiny.conflicts, tiny.resultCount, status);
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_TRUE(tiny.calculate({seed(3)}, {2}, status)) << "nothing reached";
  EXPECT_EQ(tiny.resultCount, 0u);
  EXPECT_FALSE(tiny.calculate({seed(3)}, {2}, status, kivark::Topography::kAllowUnavailableEdges));
  ASSERT_EQ(tiny.resultCount, 1u);
  EXPECT_EQ(tiny.terminalPath(tiny.results[0].routeId), (std::vector<uint32_t>{3, 2}));
  EXPECT_EQ(status.getCode(), 0);
}

// Two edges from S to D, one inverting: the cheap route and its
// opposite-parity twin over the other edge. A seed with the inversion
// constraint flips the parity of its routes; of two same-parity routes of
// the two passes to one terminal the cheaper stays.
TEST_F(RouteCalculationTest, InversionParityAndOppositeParityAlternatives) {
  TinyTopography topography({0, 0, 0}, {{0, 2, 1}, {0, 2, 3, kInverting}, {0, 1, 5}});
  TinyResources tiny(topography);
  tStatus status;
  EXPECT_FALSE(tiny.calculate({seed(1)}, {3}, status));
  ASSERT_EQ(tiny.resultCount, 2u);
  EXPECT_EQ(tiny.results[0].parity, 0);
  EXPECT_EQ(tiny.results[0].cost, 1u);
  EXPECT_EQ(tiny.results[1].parity, 1);
  EXPECT_EQ(tiny.results[1].cost, 3u);
  EXPECT_EQ(tiny.results[1].seedIndex, 0);

  // Over a non-inverting path the constraint alone makes parity 1.
  EXPECT_FALSE(tiny.calculate({seed(2), seed(1, 0, 1)}, {2}, status));
  ASSERT_EQ(tiny.resultCount, 2u);
  EXPECT_EQ(tiny.results[0].parity, 0);
  EXPECT_EQ(tiny.results[0].seedIndex, 0);
  EXPECT_EQ(tiny.results[0].cost, 0u) << "the seed is the destination";
  EXPECT_EQ(tiny.results[1].parity, 1);
  EXPECT_EQ(tiny.results[1].seedIndex, 1);
  EXPECT_EQ(tiny.results[1].cost, 5u);

  // Pass 1: (parity 0, 1), (1, 3); pass 2 flipped: (1, 1), (0, 3).
  EXPECT_FALSE(tiny.calculate({seed(1), seed(1, 0, 1)}, {3}, status));
  ASSERT_EQ(tiny.resultCount, 2u);
  EXPECT_EQ(tiny.results[0].parity, 0);
  EXPECT_EQ(tiny.results[0].cost, 1u);
  EXPECT_EQ(tiny.results[0].seedIndex, 0);
  EXPECT_EQ(tiny.results[1].parity, 1);
  EXPECT_EQ(tiny.results[1].cost, 1u);
  EXPECT_EQ(tiny.results[1].seedIndex, 1);
  EXPECT_EQ(status.getCode(), 0);
}

// Costs add modulo 2^32. Two seeds near the top of the range wrap into each
// other and close their predecessors into a loop: the destination behind
// the loop gets no route, and the search still ends.
TEST_F(RouteCalculationTest, CostsWrap) {
  TinyTopography topography({0, 0, 0, 0}, {{0, 1, 0x20}, {1, 0, 0x20}, {0, 3, 1}, {2, 3, 0x30}});
  TinyResources tiny(topography);
  tStatus status;
  EXPECT_FALSE(tiny.calculate({seed(3, 0xFFFFFFF0)}, {4}, status));
  ASSERT_EQ(tiny.resultCount, 1u);
  EXPECT_EQ(tiny.results[0].cost, 0x20u);

  EXPECT_TRUE(tiny.calculate({seed(1, 0xFFFFFFF0), seed(2, 0xFFFFFFF0)}, {4}, status));
  EXPECT_EQ(tiny.resultCount, 0u);
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(RouteCalculationTest, SeedsAndDestinations) {
  TinyTopography topography({0, 0, 0}, {{0, 1, 4}, {1, 2, 4}, {0, 2, 1}});
  TinyResources tiny(topography);
  tStatus status;
  // The later seed for a terminal counts; a repeated destination is one.
  EXPECT_FALSE(tiny.calculate({seed(1, 100), seed(1, 2)}, {2, 2}, status));
  ASSERT_EQ(tiny.resultCount, 1u);
  EXPECT_EQ(tiny.results[0].cost, 6u);
  EXPECT_EQ(tiny.results[0].seedIndex, 0) << "the first seed of the start terminal";
  // A seed that is a destination has a route of no segments, at the cost
  // another seed reaches it for when that is lower.
  EXPECT_FALSE(tiny.calculate({seed(1, 0), seed(2, 9)}, {2}, status));
  ASSERT_EQ(tiny.resultCount, 1u);
  EXPECT_EQ(tiny.results[0].cost, 4u);
  EXPECT_EQ(tiny.results[0].seedIndex, 1);
  EXPECT_EQ(tiny.terminalPath(tiny.results[0].routeId), (std::vector<uint32_t>{2}));
  // One destination reachable, one not (nothing leads to terminal 1).
  EXPECT_FALSE(tiny.calculate({seed(3)}, {1, 3}, status));
  EXPECT_EQ(tiny.resultCount, 1u);
  EXPECT_TRUE(tiny.calculate({seed(3)}, {1}, status));
  EXPECT_EQ(tiny.resultCount, 0u);
  EXPECT_EQ(status.getCode(), 0);

  struct Refused {
    std::vector<RouteCalculationSeedBase> seeds;
    std::vector<uint32_t> destinations;
  } refused[] = {{{}, {2}}, {{seed(9)}, {2}}, {{seed(1)}, {0}}, {{seed(1)}, {4}}};
  for (const Refused& r : refused) {
    tStatus failed;
    EXPECT_FALSE(tiny.calculate(r.seeds, r.destinations, failed));
    EXPECT_EQ(failed.getCode(), -52005);
    EXPECT_EQ(tiny.resultCount, 0u);
  }
}

}  // namespace

// Grouped terminals: G1(2) and G2(3) stand for one another. Asking for G1
// reaches the group through whichever member is cheaper; of two routes of
// one parity into the group the cheaper stays, the earlier on a tie.
TEST_F(RouteCalculationTest, AGroupIsReachedThroughItsCheapestMember) {
  constexpr uint32_t kNone = 0;
  struct Case {
    uint32_t toG1, toG2;  // costs of S's edges, kNone for no edge
    std::vector<uint32_t> destinations;
    uint32_t terminal, cost;
  } cases[] = {
      {5, 2, {2}, 3, 2},      // reached through the other member
      {2, 5, {2}, 2, 2},
      {3, 3, {2}, 2, 3},      // a tie keeps the earlier route
      {3, 3, {3}, 2, 3},      // whichever member was asked for
      {kNone, 4, {2}, 3, 4},  // the asked-for member unreachable
      {4, 1, {2, 3}, 3, 1},   // both asked for: still one route
  };
  for (const Case& c : cases) {
    std::vector<TinyEdge> edges;
    if (c.toG1 != kNone) edges.push_back({0, 1, c.toG1});
    if (c.toG2 != kNone) edges.push_back({0, 2, c.toG2});
    TinyTopography topography({0, 0, 0}, edges, {{1, 2}});
    TinyResources tiny(topography);
    tStatus status;
    EXPECT_FALSE(tiny.calculate({seed(1)}, c.destinations, status));
    EXPECT_EQ(status.getCode(), 0);
    ASSERT_EQ(tiny.resultCount, 1u) << "edges " << c.toG1 << ", " << c.toG2;
    EXPECT_EQ(tiny.results[0].terminalId, c.terminal) << "edges " << c.toG1 << ", " << c.toG2;
    EXPECT_EQ(tiny.results[0].cost, c.cost) << "edges " << c.toG1 << ", " << c.toG2;
  }

  // Routes of opposite parity into the group both stay.
  TinyTopography topography({0, 0, 0}, {{0, 1, 1}, {0, 2, 2, kInverting}}, {{1, 2}});
  TinyResources tiny(topography);
  tStatus status;
  EXPECT_FALSE(tiny.calculate({seed(1)}, {2}, status));
  ASSERT_EQ(tiny.resultCount, 2u);
  EXPECT_EQ(tiny.results[0].terminalId, 2u);
  EXPECT_EQ(tiny.results[0].parity, 0);
  EXPECT_EQ(tiny.results[1].terminalId, 3u);
  EXPECT_EQ(tiny.results[1].parity, 1);
}

// X(1) is exclusive and grouped with Y(2): a reserved route into Y holds the
// group, so X is no seed any more.
TEST_F(RouteCalculationTest, AnExclusiveSeedIsHeldThroughItsGroup) {
  TinyTopography topography({kExclusive, 0, 0, 0}, {{0, 2, 1}, {3, 1, 1}}, {{0, 1}});
  TinyResources tiny(topography);
  tStatus status;
  EXPECT_FALSE(tiny.calculate({seed(1)}, {3}, status));
  EXPECT_EQ(tiny.resultCount, 1u);
  tiny.resources.reserveRoute(tiny.route(4, 2), tiny.conflicts, tiny.resultCount, status);
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_FALSE(tiny.calculate({seed(1)}, {3}, status));
  EXPECT_EQ(tiny.resultCount, 0u);
  EXPECT_EQ(status.getCode(), 0);
}
