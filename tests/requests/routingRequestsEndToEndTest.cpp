// The routing requests end to end at setup level 20 on the simulated board
// of each variant, through the envelope only: a route from a channel event
// source onto PXI trigger line 0 calculated, reserved and programmed, and
// read back from the registers and the isolated-port slot it wrote; a second
// session's reservation of the same path gets the conflict in its buffer; a
// device reset withdraws the routes and tells each listening session once;
// a session's cleanup leaves its routing requests answering -52020.
#include <algorithm>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "platform/driver/tNotifierCreationRecord.h"
#include "platform/io_notification/tNotificationMessage.h"
#include "kal/include/kalStandIn.h"
#include "routing/routing-resources/RouteConflict.h"
#include "routing/topography/QuillTopographyLark.h"
#include "routing/topography/QuillTopographyWren.h"
#include "routing/topography/RouteCalculationSeedBase.h"
#include "routing/topography/RoutePossibilityBase.h"
#include "routing/topography/routingStatusCodes.h"
#include "tests/requests/RequestEnvelopeFixture.h"
#include "tests/support/allocationFailures.h"

namespace requesttest {
namespace {

using vorlan_driver::nKIVAPAL000::kIOControlCreateNotifier;
using vorlan_driver::nKIVAPAL000::tNotificationMessage;
using vorlan_driver::nKIVAPAL000::tNotifierCreationRecord;
using Route = simboard::IsolatedPortSwitchBlock::Route;

constexpr int32_t kNoResources = -52020;
constexpr int32_t kInvalidArgument = -52005;
constexpr uint32_t kRoutingNotifier = 0x80000000u;

// The first two channel event sources and PXI trigger line 0 of each
// variant's generated graph (terminal ids: table index + 1; the sources
// follow the variant's 48 or 96 channel event inputs), and the event codes
// the sources drive. A source onto the line writes its code into the
// isolated event register 0x200, sets the line's bit in the trigger-out
// configuration and routes the line's slot on the isolated port out.
struct Variant {
  const char* name;
  uint16_t subsystemID;
  const char* topography;
  uint32_t source;
  uint32_t otherSource;
  uint32_t line;
  uint32_t code;
  uint32_t otherCode;
  uint32_t terminals;
};

void PrintTo(const Variant& variant, std::ostream* out) { *out << variant.name; }

const Variant kVariants[] = {
    {"Lark", 0x7A01, "QuillTopographyLark", 51, 52, 99, 1048, 1049, QuillTopographyLark::kTerminalCount},
    {"Wren", 0x7A11, "QuillTopographyWren", 99, 100, 195, 1144, 1145, QuillTopographyWren::kTerminalCount},
};
constexpr uint32_t kIsolatedEventRegister = 0x200;
constexpr uint64_t kTriggerOutConfig = 0x28;
constexpr uint32_t kLine0Slot = 0;

class RoutingRequestsEndToEndTest : public RequestEnvelopeTest, public ::testing::WithParamInterface<Variant> {
 protected:
  RoutingRequestsEndToEndTest() { pci.subsystemID = GetParam().subsystemID; }

  void SetUp() override {
    if (kTopLevel < 20) GTEST_SKIP() << "start-up stops before the routing level";
    RequestEnvelopeTest::SetUp();
  }

  // One request's status word, its record filled by `fill`.
  template <typename Fill>
  int32_t request(void* on, const char* name, Fill fill, Exchange* out = nullptr) {
    const tRequestRow& r = row(name);
    Exchange exchange = recordsFor(r);
    fill(exchange);
    send(on, r.code, exchange);
    EXPECT_EQ(exchange.result, 0) << name;
    if (out != nullptr) *out = exchange;
    return statusOf(r, exchange);
  }
  int32_t onRoute(void* on, const char* name, uint32_t routeId) {
    return request(on, name, [&](Exchange& e) { e.put<uint32_t>(0, routeId); });
  }

  // The one route from the variant's source to its line, owned by `owner`.
  kivark::RoutePossibilityBase calculate(void* on, uint64_t owner, bool other = false) {
    const kivark::RouteCalculationSeedBase seed = {other ? GetParam().otherSource : GetParam().source, 0, 0, {}};
    const uint32_t destination = GetParam().line;
    kivark::RoutePossibilityBase result{};
    Exchange exchange;
    EXPECT_EQ(request(
                  on, "routing_calculateRoute",
                  [&](Exchange& e) {
                    e.put<uint64_t>(0, owner);
                    e.put<uint64_t>(8, address(&seed));
                    e.put<uint32_t>(16, 1);
                    e.put<uint64_t>(24, address(&destination));
                    e.put<uint32_t>(32, 1);
                    e.put<uint64_t>(40, address(&result));
                    e.put<uint32_t>(48, 1);
                  },
                  &exchange),
              0);
    EXPECT_EQ(exchange.get<uint32_t>(0), 0u) << "unreachable";
    EXPECT_EQ(exchange.get<uint32_t>(4), 1u) << "routes";
    EXPECT_EQ(result.terminalId, destination);
    EXPECT_EQ(result.seedIndex, 0);
    return result;
  }

  // Reserves the route; the conflicts come back in `conflicts`, resized to
  // what the driver reported.
  int32_t reserve(void* on, uint32_t routeId, std::vector<kivark::RouteConflict>& conflicts) {
    Exchange exchange;
    const int32_t status = request(
        on, "routing_reserveRoute",
        [&](Exchange& e) {
          e.put<uint32_t>(0, routeId);
          e.put<uint64_t>(8, address(conflicts.data()));
          e.put<uint32_t>(16, static_cast<uint32_t>(conflicts.size()));
        },
        &exchange);
    conflicts.resize(exchange.get<uint32_t>(0));
    return status;
  }

  // Reserves the route without a conflict and programs it: the line carries
  // the source's code and its slot routes out.
  void takeLine(void* on, uint32_t routeId, uint32_t code) {
    std::vector<kivark::RouteConflict> conflicts(4);
    EXPECT_EQ(reserve(on, routeId, conflicts), 0);
    EXPECT_TRUE(conflicts.empty());
    EXPECT_EQ(onRoute(on, "routing_programRoute", routeId), 0);
    EXPECT_EQ(isolatedRegister(), code);
    EXPECT_EQ(triggerOut(), 1u);
    EXPECT_EQ(slot(), Route::kPort1To2);
  }

  std::string topographyName(void* on) {
    char name[64];
    std::memset(name, 0x5A, sizeof name);
    EXPECT_EQ(request(on, "routing_getTopographyName",
                      [&](Exchange& e) {
                        e.put<uint64_t>(0, address(name));
                        e.put<uint32_t>(8, sizeof name);
                      }),
              0);
    return std::string(name, strnlen(name, sizeof name));
  }

  void listen(void* on, uint64_t identifier, uint32_t port) {
    tNotifierCreationRecord record{identifier, port, kRoutingNotifier};
    ASSERT_EQ(host.ioctl(on, kIOControlCreateNotifier, address(&record)), 0);
  }

  uint32_t isolatedRegister() { return board.nisoFpga().isolatedSide().writeView(kIsolatedEventRegister); }
  uint64_t triggerOut() { return board.nisoFpga().peek(kTriggerOutConfig, 32); }
  Route slot() { return board.isolatedPortSwitch().route(kLine0Slot); }
};

INSTANTIATE_TEST_SUITE_P(Variants, RoutingRequestsEndToEndTest, ::testing::ValuesIn(kVariants),
                         [](const ::testing::TestParamInfo<Variant>& info) { return std::string(info.param.name); });

TEST_P(RoutingRequestsEndToEndTest, ARouteIsProgrammedOntoTheBoardAndConflictsComeBack) {
  const tRequestRow& version = row("routing_queryVersion");
  const Exchange queried = call(session, version);
  EXPECT_EQ(statusOf(version, queried), 0);
  EXPECT_EQ(queried.get<uint32_t>(0), 1u);
  EXPECT_EQ(topographyName(session), GetParam().topography);

  // Two sessions' routes onto the same exclusive line, both calculated
  // while the line is free.
  const kivark::RoutePossibilityBase route = calculate(session, 0x0A);
  void* other = open();
  const kivark::RoutePossibilityBase rival = calculate(other, 0x0B, true);
  EXPECT_NE(rival.routeId, route.routeId);
  takeLine(session, route.routeId, GetParam().code);

  // The path from the source to the line, both ends included.
  std::vector<uint32_t> path(16, 0xFFFFFFFFu);
  Exchange walked;
  EXPECT_EQ(request(
                session, "routing_getRouteTerminalPath",
                [&](Exchange& e) {
                  e.put<uint32_t>(0, route.routeId);
                  e.put<uint64_t>(8, address(path.data()));
                  e.put<uint32_t>(16, static_cast<uint32_t>(path.size()));
                },
                &walked),
            0);
  const uint32_t steps = walked.get<uint32_t>(0);
  ASSERT_GE(steps, 2u);
  ASSERT_LE(steps, path.size());
  EXPECT_EQ(path.front(), GetParam().source);
  EXPECT_EQ(path[steps - 1], GetParam().line);

  // The other session's reservation fails and names the holder in the
  // caller's buffer, the first `capacity` records only.
  std::vector<kivark::RouteConflict> conflicts(4);
  EXPECT_EQ(reserve(other, rival.routeId, conflicts), kivark::routingStatusCodes::kRouteConflict);
  ASSERT_FALSE(conflicts.empty());
  EXPECT_EQ(conflicts[0].owner, 0x0Au);
  EXPECT_EQ(conflicts[0].routeId, route.routeId);
  std::vector<kivark::RouteConflict> noRoom;
  EXPECT_EQ(reserve(other, rival.routeId, noRoom), kivark::routingStatusCodes::kRouteConflict);
  EXPECT_EQ(onRoute(other, "routing_programRoute", rival.routeId), kInvalidArgument) << "not reserved";
  EXPECT_EQ(isolatedRegister(), GetParam().code) << "the refused route wrote nothing";

  // Given back, the route frees its path for the other session.
  EXPECT_EQ(onRoute(session, "routing_unprogramRoute", route.routeId), 0);
  EXPECT_EQ(onRoute(session, "routing_unreserveRoute", route.routeId), 0);
  EXPECT_EQ(onRoute(session, "routing_destroyRoute", route.routeId), 0);
  EXPECT_EQ(slot(), Route::kReset);
  takeLine(other, rival.routeId, GetParam().otherCode);
}

TEST_P(RoutingRequestsEndToEndTest, AResetWithdrawsTheRoutesAndTellsEachListeningSessionOnce) {
  void* second = open();
  void* quiet = open();
  listen(session, 0x1111, 7);
  listen(second, 0x2222, 8);
  const kivark::RoutePossibilityBase route = calculate(session, 0x0A);
  takeLine(session, route.routeId, GetParam().code);
  const kivark::RoutePossibilityBase held = calculate(quiet, 0x0C);

  const size_t before = kalsim::socketMessages().size();
  EXPECT_EQ(resetTo(20), 0);
  // Each listening session hears once, with no payload, before the reset's
  // teardown closes its notifier; the session that never listened hears
  // nothing.
  const std::vector<kalsim::SocketMessage> messages = kalsim::socketMessages();
  std::vector<std::string> heard;
  for (size_t m = before; m < messages.size(); ++m) {
    tNotificationMessage message;
    std::memcpy(&message, messages[m].bytes.data(), sizeof message);
    EXPECT_EQ(message.length, 0u) << "no payload";
    EXPECT_EQ(message.identifier, messages[m].port == 7 ? 0x1111u : 0x2222u);
    heard.push_back(std::to_string(messages[m].port) +
                    (messages[m].type == tNotificationMessage::kTypeNotification ? " told" : " closed"));
  }
  // The newest session hears first.
  const std::vector<std::string> told = {heard.begin(), heard.begin() + std::min<size_t>(2, heard.size())};
  EXPECT_EQ(heard.size(), 4u);
  EXPECT_EQ(told, (std::vector<std::string>{"8 told", "7 told"})) << ::testing::PrintToString(heard);
  EXPECT_EQ(std::count(heard.begin(), heard.end(), "7 closed"), 1);
  EXPECT_EQ(std::count(heard.begin(), heard.end(), "8 closed"), 1);

  // The sessions from before the reset are gone for routing; a new one
  // finds the path free: the withdrawn routes hold nothing.
  EXPECT_EQ(onRoute(session, "routing_programRoute", route.routeId), kSessionInvalidated);
  EXPECT_EQ(onRoute(quiet, "routing_reserveRoute", held.routeId), kSessionInvalidated);
  void* fresh = open();
  takeLine(fresh, calculate(fresh, 0x0D).routeId, GetParam().code);
}

// Every allocation of a calculation request fails in turn: the request
// reports it and leaves no block behind.
TEST_P(RoutingRequestsEndToEndTest, AFailedCalculationLeavesNoBlockBehind) {
  // A calculation given back grows the session's route list and the route
  // database to hold one route, and they keep that room.
  EXPECT_EQ(onRoute(session, "routing_destroyRoute", calculate(session, 0x0A).routeId), 0);
  const kivark::RouteCalculationSeedBase seed = {GetParam().source, 0, 0, {}};
  const uint32_t destination = GetParam().line;
  const tRequestRow& calculation = row("routing_calculateRoute");
  const uint32_t failures = testsupport::forEveryAllocationFailure([&](testsupport::AllocationFailure& failure) {
    const uint64_t live = kalsim::liveDriverAllocations();
    kivark::RoutePossibilityBase result{};
    Exchange exchange;
    {
      // The test's own records are not the driver's to fail.
      kalsim::HostAllocations test;
      exchange = recordsFor(calculation);
      exchange.put<uint64_t>(0, 0x0A);
      exchange.put<uint64_t>(8, address(&seed));
      exchange.put<uint32_t>(16, 1);
      exchange.put<uint64_t>(24, address(&destination));
      exchange.put<uint32_t>(32, 1);
      exchange.put<uint64_t>(40, address(&result));
      exchange.put<uint32_t>(48, 1);
    }
    send(session, calculation.code, exchange);
    failure.disarm();
    const int32_t code = statusOf(calculation, exchange);
    if (!failure.hit()) {
      EXPECT_EQ(code, 0);
      EXPECT_EQ(onRoute(session, "routing_destroyRoute", result.routeId), 0);
    } else {
      EXPECT_NE(code, 0) << failure.nth();
    }
    EXPECT_EQ(kalsim::liveDriverAllocations(), live) << failure.nth();
  });
  EXPECT_GT(failures, 0u);
}

// The seed and destination counts size the kernel's copies of the caller's
// arrays, and the capacity the room kept for the routes. A pass of the
// search uses at most one seed per terminal, each of the two passes its own,
// and each destination once: longer arrays are refused with -52005 before
// anything is sized by them, their memory readable or not, while arrays at
// the bound and a capacity beyond any calculation's routes are served. As a
// kernel's allocator would, the layer refuses large blocks, so a count that
// got through fails instead of taking the machine's memory.
TEST_P(RoutingRequestsEndToEndTest, CountsNoCalculationCanUseAreRefusedBeforeAnythingIsSized) {
  const uint32_t terminals = GetParam().terminals;
  ASSERT_GT(terminals, GetParam().line);
  // Twice the terminals in seeds: the source once for each pass, the rest
  // from every terminal in turn, as a caller naming them all would.
  std::vector<kivark::RouteCalculationSeedBase> seeds(2 * terminals + 1);
  seeds[0] = {GetParam().source, 0, 0, {}};
  seeds[1] = {GetParam().source, 0, 1, {}};
  for (uint32_t i = 2; i < seeds.size(); ++i) seeds[i] = {1 + i % terminals, 5, static_cast<uint8_t>(i & 1), {}};
  std::vector<uint32_t> everyTerminal(terminals + 1);
  for (uint32_t i = 0; i < everyTerminal.size(); ++i) everyTerminal[i] = 1 + i % terminals;
  everyTerminal[0] = GetParam().line;
  std::vector<kivark::RoutePossibilityBase> results(4 * terminals);
  struct Case {
    const char* name;
    uint32_t seeds;
    uint32_t destinations;
    uint32_t capacity;
    bool unreadablePastFirst;  // the arrays' memory after their first entry
    int32_t code;
  };
  const Case cases[] = {
      {"2^28 seeds", 1u << 28, 1, 4, true, kInvalidArgument},
      {"every seed a 32-bit count can name", 0xFFFFFFFFu, 1, 4, true, kInvalidArgument},
      {"one seed more than twice the terminals", 2 * terminals + 1, 1, 4, false, kInvalidArgument},
      {"one destination more than the terminals", 1, terminals + 1, 4, false, kInvalidArgument},
      {"every destination a 32-bit count can name", 1, 0xFFFFFFFFu, 4, true, kInvalidArgument},
      {"twice the terminals in seeds", 2 * terminals, 1, 4 * terminals, false, 0},
      {"every terminal a destination", 1, terminals, 4 * terminals, false, 0},
      {"a capacity no calculation fills", 1, 1, 0xFFFFFFFFu, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.unreadablePastFirst) {
      kalsim::markUserRangeBad(&seeds[1], (seeds.size() - 1) * sizeof seeds[0]);
      kalsim::markUserRangeBad(&everyTerminal[1], (everyTerminal.size() - 1) * sizeof everyTerminal[0]);
    }
    kalsim::refuseAllocationsAboveOnThisThread(1u << 20);
    kalsim::resetLargestAllocationOnThisThread();
    Exchange exchange;
    const int32_t status = request(
        session, "routing_calculateRoute",
        [&](Exchange& e) {
          e.put<uint64_t>(0, 0x0C);
          e.put<uint64_t>(8, address(seeds.data()));
          e.put<uint32_t>(16, c.seeds);
          e.put<uint64_t>(24, address(everyTerminal.data()));
          e.put<uint32_t>(32, c.destinations);
          e.put<uint64_t>(40, address(results.data()));
          e.put<uint32_t>(48, c.capacity);
        },
        &exchange);
    const uint64_t largest = kalsim::largestAllocationOnThisThread();
    kalsim::refuseAllocationsAboveOnThisThread(0);
    kalsim::clearBadUserRanges();
    EXPECT_EQ(status, c.code);
    EXPECT_LE(largest, 64u << 10) << "a block sized by the caller's numbers";
    if (c.code != 0) continue;
    const uint32_t routes = exchange.get<uint32_t>(4);
    EXPECT_GE(routes, 1u);
    for (uint32_t r = 0; r < routes && r < results.size(); ++r) {
      EXPECT_EQ(onRoute(session, "routing_destroyRoute", results[r].routeId), 0);
    }
  }
}

TEST_P(RoutingRequestsEndToEndTest, AfterCleanupEveryRoutingRequestAnswersNoResources) {
  takeLine(session, calculate(session, 0x0A).routeId, GetParam().code);
  EXPECT_EQ(statusOf(row("kdut_cleanup"), call(session, row("kdut_cleanup"))), 0);

  uint32_t seen = 0;
  for (const tRequestRow& r : kRequestRows) {
    const std::string name = r.name;
    if (name.rfind("routing_", 0) != 0) continue;
    ++seen;
    EXPECT_EQ(statusOf(r, call(session, r)), kNoResources) << name;
  }
  EXPECT_EQ(seen, 11u);
  // Its route went with the session's routing: another source takes the line.
  void* other = open();
  takeLine(other, calculate(other, 0x0B, true).routeId, GetParam().otherCode);
}

}  // namespace
}  // namespace requesttest
