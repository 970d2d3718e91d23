// A routing session over resources of a small hand-made topography, with the
// caller's buffers in host memory: ownership of routes, results that do not
// fit, conflicts, terminal paths, the topography name and the withdrawal.
#include <gtest/gtest.h>

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
