// The event, trigger, calibration and device-level controller requests
// past their gates, over the controller aggregate on the simulated board:
// latch kinds, trigger-override ids, the shared LO-sense ADCs' channel
// masks, the bounds of charge-balance tables and the cooling override rule.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "kal/include/kalStandIn.h"
#include "platform/status/statusCodes.h"
#include "requests/CalibrationRequests.h"
#include "requests/ControllerRequests.h"
#include "requests/EventRequests.h"
#include "tests/requests/instrumentRequestBoard.h"

namespace instrumenttest {
namespace {

using vorlan_driver::requests::CalibrationRequests;
using vorlan_driver::requests::ControllerRequests;
using vorlan_driver::requests::EventRequests;
namespace codes = vorlan_driver::statusCodes;

constexpr uint32_t kLatch = 0x56;
constexpr uint32_t kClearLatch = 0x57;

class EventRequestsTest : public InstrumentRequestBoard {
 protected:
  EventRequestsTest() { hold(*session, kAllChannels); }
  // Accesses of the isolated side, reads and writes, since the last call.
  size_t accesses() { return take().size(); }
};

TEST_F(EventRequestsTest, OnlyLatchKindsReachTheLatchRegisters) {
  struct Case {
    uint32_t kind;
    uint32_t latched;  // the read view of both channels' latch register
    int64_t code;
    bool result;
  };
  const Case cases[] = {
      {9, 1u << 9, 0, true},         {10, 1u << 10, 0, true},       {11, 1u << 11, 0, true},
      {14, 1u << 31, 0, true},       {14, 1u << 14, 0, false},      {0, 0xFFFFFFFF, codes::kNotSupported, false},
      {16, 0xFFFFFFFF, codes::kNotSupported, false},
      // Above the kinds that exist, as the highest one that is no latch.
      {17, 0xFFFFFFFF, codes::kNotSupported, false},
      {0xFFFF, 0xFFFFFFFF, codes::kNotSupported, false},
  };
  const uint64_t mask = 0x30;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    for (uint32_t ch : {4u, 5u}) side().setReadView(at(ch, kLatch), c.latched);
    take();
    EventRequests requests = bodyFor<EventRequests>(session.get());
    tStatus check;
    EXPECT_EQ(requests.checkEventLatch(mask, c.kind, check), c.result);
    EXPECT_EQ(check.getCode(), c.code);
    tStatus clear;
    requests.clearEventLatch(mask, c.kind, clear);
    EXPECT_EQ(clear.getCode(), c.code);
    if (c.code != 0) {
      EXPECT_EQ(accesses(), 0u) << "nothing read or written";
    } else {
      EXPECT_EQ(takeWrites().size(), 2u) << "cleared on both channels";
    }
  }
}

TEST_F(EventRequestsTest, ALatchCheckAnswersForEveryChannelOfTheMask) {
  side().setReadView(at(4, kLatch), 0);
  side().setReadView(at(5, kLatch), 1u << 31);
  tStatus status;
  EventRequests requests = bodyFor<EventRequests>(session.get());
  EXPECT_FALSE(requests.checkEventLatch(0x30, 14, status)) << "only the higher channel latched";
  side().setReadView(at(4, kLatch), 1u << 31);
  EXPECT_TRUE(requests.checkEventLatch(0x30, 14, status));
  EXPECT_EQ(status.getCode(), 0);
  takeWrites();
  requests.clearAllEventLatches(0x30, status);
  const std::vector<Write> cleared = takeWrites();
  ASSERT_EQ(cleared.size(), 4u);
  for (const Write& w : cleared) EXPECT_EQ(w.address & 0x7F, kClearLatch);
}

TEST_F(EventRequestsTest, TriggerIdsOverrideOrSelectAnAbstractedEvent) {
  struct Case {
    uint32_t id;
    uint64_t mask;
    int64_t code;
    uint32_t selected;  // abstracted event selected on the one channel, 0 for none
  };
  const Case cases[] = {
      {1034, 0x4, 0, 1},        {1035, 0x4, 0, 2}, {1037, 0x4, 0, 3}, {1034, 0xC, kBadMask, 0},
      {1037, 0xC, kBadMask, 0}, {1038, 0x4, kOutOfRange, 0},          {0, 0x4, kOutOfRange, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    takeWrites();
    tStatus status;
    EXPECT_FALSE(bodyFor<EventRequests>(session.get()).overrideTrigger(c.mask, c.id, status));
    EXPECT_EQ(status.getCode(), c.code);
    const std::vector<Write> written = takeWrites();
    if (c.selected == 0) {
      EXPECT_TRUE(written.empty());
      continue;
    }
    tStatus direct;
    controllers->sequenceEngines[2].selectAbstractedEvent(c.selected, direct);
    EXPECT_EQ(written, takeWrites());
  }
  // The measure trigger: every channel of the mask, as one override.
  tStatus status;
  EXPECT_TRUE(bodyFor<EventRequests>(session.get()).overrideTrigger(0xC, 1036, status));
  EXPECT_EQ(status.getCode(), 0);
  for (uint32_t ch : {2u, 3u}) EXPECT_NE(side().peek(at(ch, 0x07)) & (1u << 8), 0u) << ch;
  EXPECT_EQ(side().peek(at(4, 0x07)) & (1u << 8), 0u);
}

TEST_F(EventRequestsTest, EachLoSenseADCIsItsSixChannels) {
  const uint64_t masks[] = {0x00003F, 0x000FC0, 0x03F000, 0xFC0000};
  for (uint32_t adc = 0; adc < 4; ++adc) EXPECT_EQ(CalibrationRequests::loSenseChannelMask(adc), masks[adc]);

  struct Case {
    const char* name;
    uint16_t adc;
    uint64_t held;
    uint32_t endpoint;
    int64_t code;
    uint32_t enable;  // what the endpoint select writes, 0 for nothing
  };
  const Case cases[] = {
      {"ADC 2 without channel 17", 2, 0x01F000, 0, kNotHeld, 0},
      {"ADC 2 with its six", 2, 0x03F000, 1, 0, 1u << 5},
      {"ADC 3 held by a neighbour's channels", 3, 0x7E0000, 0, kNotHeld, 0},
      {"ADC 0, endpoint 0", 0, 0x3F, 0, 0, 1u << 0},
      {"ADC 4: no reservation asked", 4, 0, 0, code(0xBFFA431Bu), 0},
      {"endpoint 2", 1, 0xFC0, 2, code(0xBFFA431Eu), 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<KernelSession> s = openSession();
    tStatus released;
    session->releaseResources(released);
    if (c.held != 0) hold(*s, c.held);
    takeWrites();
    tStatus status;
    bodyFor<CalibrationRequests>(s.get()).setSharedLoSenseEndpoint(c.adc, c.endpoint, status);
    EXPECT_EQ(status.getCode(), c.code);
    const std::vector<Write> written = takeWrites();
    if (c.enable == 0) {
      EXPECT_TRUE(written.empty());
    } else {
      EXPECT_EQ(written, (std::vector<Write>{{24, 0x120, c.enable}}));
    }
    s->releaseResources(released);
  }
}

TEST_F(EventRequestsTest, ChargeBalanceTablesAreBoundedAndCopiedBeforeAnyWrite) {
  std::vector<uint32_t> tables[4];
  for (uint32_t t = 0; t < 4; ++t) {
    for (uint32_t i = 0; i < 17; ++i) tables[t].push_back(0x100u * t + i);
  }
  const uint64_t pointers[4] = {reinterpret_cast<uint64_t>(tables[0].data()),
                                reinterpret_cast<uint64_t>(tables[1].data()),
                                reinterpret_cast<uint64_t>(tables[2].data()),
                                reinterpret_cast<uint64_t>(tables[3].data())};
  struct Case {
    const char* name;
    uint32_t count;
    bool thirdUnreadable;
    int64_t code;
    size_t writes;
  };
  const Case cases[] = {
      {"16 entries fill the table", 16, false, 0, 64},
      {"17 would overwrite entry 0", 17, false, kOutOfRange, 0},
      {"none", 0, false, 0, 0},
      {"the third table unreadable", 4, true, codes::kInvalidArgument, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.thirdUnreadable) kalsim::markUserRangeBad(tables[2].data(), 4);
    takeWrites();
    tStatus status;
    bodyFor<CalibrationRequests>(session.get()).configureChannelADCChargeBalanceOffsets(0x2, pointers, c.count, status);
    kalsim::clearBadUserRanges();
    EXPECT_EQ(status.getCode(), c.code);
    EXPECT_EQ(takeWrites().size(), c.writes);
  }

  tStatus status;
  bodyFor<CalibrationRequests>(session.get())
      .configureSharedLoSenseADCChargeBalanceOffsets(1, pointers[0], 17, status);
  EXPECT_EQ(status.getCode(), kOutOfRange);
  EXPECT_TRUE(takeWrites().empty());
}

TEST_F(EventRequestsTest, AnAccumulationFetchFillsTheCallersArraysOnlyWhenItRead) {
  struct Case {
    const char* name;
    uint32_t selector;
    uint32_t count;
    int64_t code;
  };
  const Case cases[] = {
      {"accumulator 4, four entries", 4, 4, 0},
      {"selector 5 names no accumulator", 5, 4, kOutOfRange},
      {"17 entries", 0, 17, kOutOfRange},
      {"no entries", 0, 0, 0},
  };
  side().setReadView(0x131 + 4, (3u << 22) | 0x3FFFFF);  // accumulator 4: count 3, sum -1
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<int32_t> sums(20, 0x5C5C5C5C);
    std::vector<uint32_t> counts(20, 0x5C5C5C5C);
    tStatus status;
    bodyFor<CalibrationRequests>(other.get())
        .fetchChargeBalanceOffsetAccumulation(c.selector, reinterpret_cast<uint64_t>(sums.data()),
                                              reinterpret_cast<uint64_t>(counts.data()), c.count, status);
    EXPECT_EQ(status.getCode(), c.code);
    for (uint32_t i = 0; i < 20; ++i) {
      const bool filled = c.code == 0 && i < c.count;
      EXPECT_EQ(sums[i], filled ? -1 : 0x5C5C5C5C) << i;
      EXPECT_EQ(counts[i], filled ? 3u : 0x5C5C5C5Cu) << i;
    }
  }
}

TEST_F(EventRequestsTest, APlainCoolingSetGivesWayToAnOverride) {
  struct Step {
    uint32_t source;  // 1 override, 2 plain set
    uint32_t mode;
    int64_t code;
    uint32_t modeAfter;
  };
  struct Case {
    const char* name;
    std::vector<Step> steps;
    std::vector<uint32_t> applied;
  };
  const Case cases[] = {
      {"a set after an override leaves it", {{1, 5, 0, 5}, {2, 7, 0, 5}}, {5}},
      {"a later override replaces it", {{1, 5, 0, 5}, {1, 9, 0, 9}}, {5, 9}},
      {"only the low 8 bits count", {{2, 0x110, 0, 16}}, {}},
      {"an override of the current mode still binds", {{1, 16, 0, 16}, {2, 7, 0, 16}}, {}},
      {"a refused mode changes nothing", {{2, 7, 0, 7}, {1, FakePower::kRefused, kOutOfRange, 7}, {2, 8, 0, 8}},
       {7, 8}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    coolingWord = vorlan_driver::CoolingModeWord{kRequestedCoolingMode, 0};
    power.applied.clear();
    for (const Step& step : c.steps) {
      ControllerRequests requests = bodyFor<ControllerRequests>(session.get());
      tStatus status;
      requests.setCoolingMode(step.mode, step.source, status);
      EXPECT_EQ(status.getCode(), step.code);
      EXPECT_EQ(requests.getCoolingMode(), step.modeAfter);
      EXPECT_EQ(requests.getRequestedCoolingMode(), kRequestedCoolingMode);
    }
    EXPECT_EQ(power.applied, c.applied);
  }
}

TEST_F(EventRequestsTest, TheDeviceLevelControllerRequestsAnswerFromTheirControllers) {
  ControllerRequests requests = bodyFor<ControllerRequests>(session.get());
  tStatus status;
  EXPECT_EQ(requests.getNumSubroutines(status), 172u) << "the built-in package";
  EXPECT_EQ(status.getCode(), 0);
  // Start-up has built no isolated-port controller or temperature sensor.
  EXPECT_EQ(requests.getFirmwareRevision(status), ControllerRequests::kNoRevision);
  EXPECT_EQ(status.getCode(), codes::kNotSupported);

  struct Case {
    uint32_t sensor;
    int64_t sent;
    int64_t code;
  };
  for (const Case& c : {Case{0, 0, 0}, Case{1, 0, kOutOfRange}, Case{1, -52010, -52010}}) {
    tStatus checked;
    if (c.sent != 0) vorlanSetCode(checked, c.sent);
    ControllerRequests::checkSensorNumber(c.sensor, checked);
    EXPECT_EQ(checked.getCode(), c.code) << c.sensor;
  }
}

}  // namespace
}  // namespace instrumenttest
