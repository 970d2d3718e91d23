// The channel and sequencer requests past their gates, over the controller
// aggregate on the simulated board: the cleanup operations a session holds
// for armed units and started engines, and the channel refusals of every
// frame step before any register is touched.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "framework/kdut/kdutStatusCodes.h"
#include "platform/status/statusCodes.h"
#include "requests/ChannelRequests.h"
#include "requests/EventRequests.h"
#include "requests/CalibrationRequests.h"
#include "tests/requests/instrumentRequestBoard.h"

namespace instrumenttest {
namespace {

using vorlan_driver::requests::CalibrationRequests;
using vorlan_driver::requests::ChannelRequests;
using vorlan_driver::requests::EventRequests;
namespace codes = vorlan_driver::statusCodes;

constexpr uint32_t kCh = 7;
constexpr uint32_t kIdle = 1u << 16;

class ChannelRequestsTest : public InstrumentRequestBoard {};

TEST_F(ChannelRequestsTest, ArmsAndStartsAreHeldAsCleanupsUntilTheirResets) {
  struct Step {
    char op;  // a arm, r reset unit, s start (engine idle first), S start as it is, x reset engine
    int64_t code;
  };
  struct Case {
    const char* name;
    std::vector<Step> steps;
    int units;    // measure-unit cleanups the session holds after
    int engines;  // sequence-engine cleanups
  };
  const int64_t kEngineRunning = code(0xBFFA4315u);
  const Case cases[] = {
      {"arm twice, reset once", {{'a', 0}, {'a', 0}, {'r', 0}}, 1, 0},
      {"reset without arm: reset done, then -52006", {{'r', codes::kNotFound}}, 0, 0},
      {"a second reset finds nothing", {{'a', 0}, {'r', 0}, {'r', codes::kNotFound}}, 0, 0},
      {"start twice", {{'s', 0}, {'s', 0}}, 0, 1},
      {"a start while running adds nothing", {{'s', 0}, {'S', kEngineRunning}}, 0, 1},
      {"start, reset", {{'s', 0}, {'x', 0}}, 0, 0},
      {"engine reset without start: reset done, then -52006", {{'x', codes::kNotFound}}, 0, 0},
      {"the two kinds are apart", {{'a', 0}, {'s', 0}, {'r', 0}}, 0, 1},
  };
  hold(*session, kAllChannels);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const Step& step : c.steps) {
      SCOPED_TRACE(std::string(1, step.op));
      if (step.op == 's') side().setReadView(at(kCh, 0x07), kIdle);
      takeWrites();
      ChannelRequests requests = bodyFor<ChannelRequests>(session.get());
      tStatus status;
      switch (step.op) {
        case 'a': requests.armMeasureUnit(kCh, status); break;
        case 'r': requests.resetMeasureUnit(kCh, status); break;
        case 's':
        case 'S': requests.startSequenceEngine(uint64_t{1} << kCh, 0, status); break;
        case 'x': requests.resetSequenceEngine(uint64_t{1} << kCh, status); break;
      }
      EXPECT_EQ(status.getCode(), step.code);
      // A reset reaches the hardware whatever the session holds.
      if (step.op == 'r' || step.op == 'x') {
        EXPECT_FALSE(takeWrites().empty());
      }
    }
    EXPECT_EQ(takeOccurrences(*session, controllers->measureUnits[kCh].getCleanupOperation()), c.units);
    EXPECT_EQ(takeOccurrences(*session, controllers->sequenceEngines[kCh].getCleanupOperation()), c.engines);
  }
}

TEST_F(ChannelRequestsTest, AClosingSessionResetsWhatItStillHolds) {
  hold(*session, uint64_t{1} << kCh);
  ChannelRequests requests = bodyFor<ChannelRequests>(session.get());
  tStatus status;
  requests.armMeasureUnit(kCh, status);
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_NE(side().peek(at(kCh, 0x07)) & 1u, 0u) << "armed";
  session->getCleanupOperationComposite().cleanup(status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(side().peek(at(kCh, 0x07)) & 1u, 0u) << "reset by the session's cleanup";
}

TEST_F(ChannelRequestsTest, ErrorResponsesNeedEveryChannelAndPairWithTheirReset) {
  struct Case {
    const char* name;
    uint64_t held;
    bool configure;
    int64_t code;
    int held_after;
  };
  const Case cases[] = {
      {"23 of 24 channels", 0x7FFFFF, true, kNotHeld, 0},
      {"every channel", kAllChannels, true, 0, 1},
      {"reset without configure", kAllChannels, false, codes::kNotFound, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<KernelSession> s = openSession();
    hold(*s, c.held);
    takeWrites();
    ChannelRequests requests = bodyFor<ChannelRequests>(s.get());
    tStatus status;
    if (c.configure) {
      requests.configureErrorResponseSubroutines(controllers->errorResponses.getDefaultResponse(1),
                                                 controllers->errorResponses.getDefaultResponse(0), status);
    } else {
      requests.resetErrorResponseSubroutines(status);
    }
    EXPECT_EQ(status.getCode(), c.code);
    if (c.code == kNotHeld) {
      EXPECT_TRUE(takeWrites().empty()) << "nothing issued";
    }
    EXPECT_EQ(takeOccurrences(*s, &controllers->errorResponses), c.held_after);
    tStatus released;
    s->releaseResources(released);
  }
}

// Every frame step refuses before the controller is reached: nothing is
// written to the isolated side.
TEST_F(ChannelRequestsTest, ChannelStepsRefuseBeforeAnyRegister) {
  struct Case {
    const char* name;
    uint64_t held;  // by the calling session; the other session holds channel 20
    std::function<void(KernelSession*, tStatus&)> request;
    int64_t code;
  };
  const Case cases[] = {
      {"arm index 24", kAllChannels, [this](KernelSession* s, tStatus& st) { bodyFor<ChannelRequests>(s).armMeasureUnit(24, st); },
       kBadMask},
      {"arm index 256 is not channel 0", kAllChannels,
       [this](KernelSession* s, tStatus& st) { bodyFor<ChannelRequests>(s).armMeasureUnit(256, st); }, kBadMask},
      {"arm an unheld channel", 0x1, [this](KernelSession* s, tStatus& st) { bodyFor<ChannelRequests>(s).armMeasureUnit(1, st); },
       kNotHeld},
      {"two held channels to a one-channel request", 0x3,
       [this](KernelSession* s, tStatus& st) { bodyFor<ChannelRequests>(s).isSequenceEngineRunning(0x3, st); }, kBadMask},
      {"two channels not held: the reservation answers first", 0x1,
       [this](KernelSession* s, tStatus& st) { bodyFor<ChannelRequests>(s).isSequenceEngineRunning(0x3, st); }, kNotHeld},
      {"empty mask", kAllChannels, [this](KernelSession* s, tStatus& st) { bodyFor<ChannelRequests>(s).resetChannel(0, 1, st); },
       kBadMask},
      {"bit 24", kAllChannels,
       [this](KernelSession* s, tStatus& st) { bodyFor<ChannelRequests>(s).resetChannel(uint64_t{1} << 24, 1, st); }, kBadMask},
      {"another session's channel", 0x1,
       [this](KernelSession* s, tStatus& st) { bodyFor<ChannelRequests>(s).queryInCompliance(uint64_t{1} << 20, st); }, kNotHeld},
      {"execute on bit 24 issues nothing", 0,
       [this](KernelSession* s, tStatus& st) { bodyFor<ChannelRequests>(s).executeSubroutine((uint64_t{1} << 24) | 1, 0, 1000, st); },
       kBadMask},
      {"execute on bit 63 issues nothing", 0,
       [this](KernelSession* s, tStatus& st) { bodyFor<ChannelRequests>(s).executeSubroutine(uint64_t{1} << 63, 0, 1000, st); },
       kBadMask},
      {"execute on no channel", 0,
       [this](KernelSession* s, tStatus& st) { bodyFor<ChannelRequests>(s).executeSubroutine(0, 0, 1000, st); }, 0},
      {"a gang of one", kAllChannels, [this](KernelSession* s, tStatus& st) { bodyFor<ChannelRequests>(s).gangChannels(0x4, st); },
       kBadMask},
      {"a gang not held", 0x3, [this](KernelSession* s, tStatus& st) { bodyFor<ChannelRequests>(s).gangChannels(0x7, st); }, kNotHeld},
      {"more command words than a region takes", 0x1,
       [this](KernelSession* s, tStatus& st) { bodyFor<ChannelRequests>(s).putInLocalRamCommandFifoAndExecute(0x1, 0, 1365, st); },
       code(0xBFFA4323u)},
      {"readback without a buffer", 0,
       [this](KernelSession* s, tStatus& st) { bodyFor<ChannelRequests>(s).getSubroutines(0, 8, 1, st); }, code(0xBFFA4311u)},
      {"alarm type 1 after the reservation", 0x1,
       [this](KernelSession* s, tStatus& st) { bodyFor<EventRequests>(s).maskAlarm(0x1, 1, st); }, kOutOfRange},
      {"alarm on an unheld channel", 0x1,
       [this](KernelSession* s, tStatus& st) { bodyFor<EventRequests>(s).maskAlarm(0x2, 1, st); }, kNotHeld},
      {"measure-complete delay index 64", kAllChannels,
       [this](KernelSession* s, tStatus& st) { bodyFor<EventRequests>(s).configureMeasureCompleteEventDelay(64, 5, st); },
       kBadMask},
      {"calibration connection of two channels", 0x3,
       [this](KernelSession* s, tStatus& st) { bodyFor<CalibrationRequests>(s).connectChannelToCalibrationBus(0x3, st); },
       kBadMask},
      {"no session holds nothing", 0,
       [this](KernelSession*, tStatus& st) { bodyFor<ChannelRequests>(nullptr).armMeasureUnit(0, st); }, kNotHeld},
  };
  hold(*other, uint64_t{1} << 20);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<KernelSession> s = openSession();
    if (c.held != 0) hold(*s, c.held & ~(uint64_t{1} << 20));
    takeWrites();
    tStatus status;
    c.request(s.get(), status);
    EXPECT_EQ(status.getCode(), c.code);
    EXPECT_TRUE(takeWrites().empty());
    tStatus released;
    s->releaseResources(released);
  }
}

TEST_F(ChannelRequestsTest, AGangMarksItsEndsAndLeavesTheChannelsBetweenAlone) {
  hold(*session, kAllChannels);
  tStatus status;
  bodyFor<ChannelRequests>(session.get()).gangChannels(0x2C, status);  // channels 2, 3 and 5
  ASSERT_EQ(status.getCode(), 0);
  const std::vector<Write> ganged = takeWrites();
  controllers->isoChannels[2].configureGanging(false, true, status);
  controllers->isoChannels[3].configureGanging(true, true, status);
  controllers->isoChannels[5].configureGanging(true, false, status);
  EXPECT_EQ(ganged, takeWrites());

  bodyFor<ChannelRequests>(session.get()).ungangChannels(0x2C, status);
  const std::vector<Write> unganged = takeWrites();
  for (uint32_t c : {2u, 3u, 5u}) controllers->isoChannels[c].configureGanging(false, false, status);
  EXPECT_EQ(unganged, takeWrites());
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(ChannelRequestsTest, CommonModeCancellationWritesOnlyAChangeAndWaitsForItsMap) {
  tStatus status;
  const tStatus clean;
  ChannelRequests requests = bodyFor<ChannelRequests>(session.get());
  requests.configureCommonModeCurrentCancellation(0x5A, clean, status);
  EXPECT_EQ(takeWrites(), (std::vector<Write>{{24, 0x26, 0x5A}}));
  requests.configureCommonModeCurrentCancellation(0x5A, clean, status);
  EXPECT_TRUE(takeWrites().empty()) << "unchanged and not dirty";
  EXPECT_EQ(status.getCode(), 0);

  // Below the level that builds the isolated map, the request reports what
  // stopped start-up there.
  objects.isoFpga = nullptr;
  tStatus stopped;
  vorlanSetCode(stopped, codes::kSetupStopped);
  requests.configureCommonModeCurrentCancellation(0x11, stopped, status);
  EXPECT_EQ(status.getCode(), codes::kSetupStopped);
  EXPECT_TRUE(takeWrites().empty());
}

}  // namespace
}  // namespace instrumenttest
