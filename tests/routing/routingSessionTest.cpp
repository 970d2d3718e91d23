// A routing session over resources of a small hand-made topography, with the
// caller's buffers in host memory: ownership of routes, results that do not
// fit, conflicts, terminal paths, the topography name and the withdrawal.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kal/include/kalStandIn.h"
#include "routing/APALUserBufferWrapper.h"
#include "routing/RoutingSessionBase.h"
#include "tests/routing/TinyTopography.h"

namespace {

using kivark::APALUserBufferWrapper;
using kivark::RoutePossibilityBase;
using kivark::RouteCalculationSeedBase;
using kivark::Terminal;
using nKIVAPALS100::tStatus;
using vorlan_driver::nKIVAPAL000::tUserBuffer;
using routing_test::TinyEdge;
using routing_test::TinyResources;
using routing_test::TinyTopography;
typedef kivark::RoutingSessionBase<APALUserBufferWrapper> Session;

// S(1) -> M(2) -> D(3); R(0) drives M and D by default.
enum : uint32_t { R, S, M, D };
uint32_t id(uint32_t index) { return index + 1; }

TinyTopography board() {
  return TinyTopography({Terminal::kKeep, 0, 0, 0},
                        {{R, M, 0, kivark::Edge::kDefaultMarker, {{27, 1}}},
                         {R, D, 0, kivark::Edge::kDefaultMarker, {{27, 2}}},
                         {S, M, 1, 0, {{27, 3}}},
                         {M, D, 1, 0, {{27, 4}}}});
}

template <typename T>
struct Buffer {
  explicit Buffer(std::vector<T> items) : items(std::move(items)) {}
  tUserBuffer user() const {
    return tUserBuffer(nullptr, reinterpret_cast<uint64_t>(items.data()), items.size() * sizeof(T));
  }
  std::vector<T> items;
};

class RoutingSessionTest : public ::testing::Test {
 protected:
  void SetUp() override { kalsim::reset(); }

  // Calculates S -> D through user buffers; the route id, 0 when none.
  uint32_t calculate(Session& session, uint32_t capacity, tStatus& status) {
    Buffer<RouteCalculationSeedBase> seeds({{id(S), 0, 0, {}}});
    Buffer<uint32_t> destinations({id(D)});
    Buffer<RoutePossibilityBase> results(std::vector<RoutePossibilityBase>(capacity == 0 ? 1 : capacity));
    tUserBuffer seedUser = seeds.user(), destinationUser = destinations.user(), resultUser = results.user();
    lastCapacity = capacity;
    session.calculateRoute(7, APALUserBufferWrapper(&seedUser), 1, APALUserBufferWrapper(&destinationUser), 1, 0,
                           APALUserBufferWrapper(&resultUser), lastCapacity, status);
    return status.isNotFatal() ? results.items[0].routeId : 0;
  }

  TinyTopography topography = board();
  TinyResources tiny{topography};
  uint32_t lastCapacity = 0;
};

TEST_F(RoutingSessionTest, OwnsWhatItCalculatesAndGivesItBackLastFirst) {
  tStatus status;
  Session session(status);
  session.setRoutingResources(&tiny.resources);
  const uint32_t first = calculate(session, 1, status);
  const uint32_t second = calculate(session, 1, status);
  ASSERT_EQ(status.getCode(), 0);
  ASSERT_NE(first, 0u);
  EXPECT_EQ(session.getOwnedRouteCount(), 2u);

  Buffer<kivark::RouteConflict> conflicts(std::vector<kivark::RouteConflict>(2));
  tUserBuffer conflictUser = conflicts.user();
  uint32_t conflictCapacity = 2;
  session.reserveRoute(first, APALUserBufferWrapper(&conflictUser), conflictCapacity, status);
  EXPECT_EQ(conflictCapacity, 0u);
  session.programRoute(first, status);
  EXPECT_EQ(status.getCode(), 0);
  Buffer<uint32_t> path(std::vector<uint32_t>(3));
  tUserBuffer pathUser = path.user();
  uint32_t capacity = 3;
  session.getRouteTerminalPath(first, APALUserBufferWrapper(&pathUser), capacity, status);
  EXPECT_EQ(capacity, 3u);
  EXPECT_EQ(path.items, (std::vector<uint32_t>{id(S), id(M), id(D)}));

  Session other(status);
  other.setRoutingResources(&tiny.resources);
  tStatus notOwned;
  other.programRoute(first, notOwned);
  EXPECT_EQ(notOwned.getCode(), -52005);
  other.destroyRoute(first);
  EXPECT_EQ(session.getOwnedRouteCount(), 2u) << "a route of another session is left alone";
  capacity = 3;
  other.getRouteTerminalPath(first, APALUserBufferWrapper(&pathUser), capacity, status);
  EXPECT_EQ(status.getCode(), 0) << "any session may read a path";

  session.clearRoutingResources();
  EXPECT_EQ(session.getOwnedRouteCount(), 0u);
  EXPECT_EQ(tiny.resources.getRouteState(first), tiny.resources.getRouteState(0xFFFF)) << "gone from the database";
  EXPECT_EQ(tiny.resources.getRouteState(second), tiny.resources.getRouteState(0xFFFF));
  tStatus detached;
  session.programRoute(first, detached);
  EXPECT_EQ(detached.getCode(), -52020);
}

TEST_F(RoutingSessionTest, ResultsThatDoNotFitKeepNoRoute) {
  tStatus status;
  Session session(status);
  session.setRoutingResources(&tiny.resources);
  calculate(session, 0, status);
  EXPECT_EQ(status.getCode(), -52019);
  EXPECT_EQ(lastCapacity, 1u);
  EXPECT_EQ(session.getOwnedRouteCount(), 0u);
  tStatus again;
  EXPECT_NE(calculate(session, 1, again), 0u) << "the refused route left nothing in the way";
}

// A pass of the search uses at most one seed per terminal, each of the two
// passes its own, and each destination once. Longer arrays are refused with
// -52005 before anything is sized by them, in both forms of the
// calculation, and a capacity beyond any calculation's routes makes no
// room beyond them. As a kernel's allocator would, the layer refuses large
// blocks, so a count that got through fails instead of taking the machine's
// memory.
TEST_F(RoutingSessionTest, CountsNoCalculationCanUseAreRefusedBeforeAnythingIsSized) {
  tStatus status;
  Session session(status);
  tStatus detached;
  EXPECT_FALSE(session.admitsCalculation(1, 1, detached));
  EXPECT_EQ(detached.getCode(), -52020) << "no resources yet";
  session.setRoutingResources(&tiny.resources);
  constexpr uint32_t kTerminals = 4;
  std::vector<RouteCalculationSeedBase> seedItems;
  for (uint32_t i = 0; i <= 2 * kTerminals; ++i) seedItems.push_back({id(S), 0, static_cast<uint8_t>(i & 1), {}});
  Buffer<RouteCalculationSeedBase> seeds(seedItems);
  Buffer<uint32_t> destinations(std::vector<uint32_t>(kTerminals + 1, id(D)));
  Buffer<RoutePossibilityBase> results(std::vector<RoutePossibilityBase>(4 * kTerminals));
  struct Case {
    const char* name;
    uint32_t seeds;
    uint32_t destinations;
    uint32_t capacity;
    int64_t code;
    uint32_t routes;  // the seeds of both passes each reach D
  };
  const Case cases[] = {
      {"2^28 seeds", 1u << 28, 1, 4, -52005, 0},
      {"every destination a 32-bit count can name", 1, 0xFFFFFFFFu, 4, -52005, 0},
      {"one seed more than twice the terminals", 2 * kTerminals + 1, 1, 4, -52005, 0},
      {"one destination more than the terminals", 1, kTerminals + 1, 4, -52005, 0},
      {"twice the terminals in seeds", 2 * kTerminals, 1, 4, 0, 2},
      {"as many destinations as terminals", 1, kTerminals, 4, 0, 1},
      {"a capacity no calculation fills", 1, 1, 0xFFFFFFFFu, 0, 1},
  };
  for (const Case& c : cases) {
    // The kernel-array form reads what the counts say: only arrays that hold
    // them are passed.
    const bool arraysHoldThem = c.seeds <= seedItems.size() && c.destinations <= destinations.items.size();
    for (bool userBuffers : {true, false}) {
      if (!userBuffers && !arraysHoldThem) continue;
      SCOPED_TRACE(std::string(c.name) + (userBuffers ? ", user buffers" : ", kernel arrays"));
      tUserBuffer seedUser = seeds.user(), destinationUser = destinations.user(), resultUser = results.user();
      uint32_t capacity = c.capacity;
      tStatus calculated;
      kalsim::refuseAllocationsAboveOnThisThread(1u << 20);
      kalsim::resetLargestAllocationOnThisThread();
      if (userBuffers) {
        session.calculateRoute(7, APALUserBufferWrapper(&seedUser), c.seeds, APALUserBufferWrapper(&destinationUser),
                               c.destinations, 0, APALUserBufferWrapper(&resultUser), capacity, calculated);
      } else {
        session.calculateRoute(7, seeds.items.data(), c.seeds, destinations.items.data(), c.destinations, 0,
                               APALUserBufferWrapper(&resultUser), capacity, calculated);
      }
      const uint64_t largest = kalsim::largestAllocationOnThisThread();
      kalsim::refuseAllocationsAboveOnThisThread(0);
      EXPECT_EQ(calculated.getCode(), c.code);
      EXPECT_LE(largest, 16u << 10) << "a block sized by the caller's numbers";
      if (c.code == 0) {
        EXPECT_EQ(capacity, c.routes);
      }
    }
  }
}

TEST_F(RoutingSessionTest, TopographyNameNeedsRoomForItsZeroByte) {
  tStatus status;
  Session session(status);
  Buffer<char> exact(std::vector<char>(4, 'x'));
  Buffer<char> room(std::vector<char>(5, 'x'));
  tUserBuffer exactUser = exact.user(), roomUser = room.user();
  session.getTopographyName(APALUserBufferWrapper(&roomUser), status);
  EXPECT_EQ(status.getCode(), -52020) << "no resources yet";
  session.setRoutingResources(&tiny.resources);
  tStatus tooSmall;
  session.getTopographyName(APALUserBufferWrapper(&exactUser), tooSmall);
  EXPECT_EQ(tooSmall.getCode(), -52019);
  EXPECT_EQ(exact.items[0], 'x');
  tStatus fits;
  session.getTopographyName(APALUserBufferWrapper(&roomUser), fits);
  EXPECT_EQ(fits.getCode(), 0);
  EXPECT_STREQ(room.items.data(), "tiny");
  EXPECT_EQ(session.queryVersion(), 1u);
}

}  // namespace
