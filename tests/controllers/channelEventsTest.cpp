// Event latches, the measure-trigger override, bus events and the
// calibration bus over the simulated board's log.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "controllers/channel/BusEventController.h"
#include "controllers/channel/CalibrationBusController.h"
#include "controllers/channel/EventsGeneratedLatchController.h"
#include "controllers/channel/MeasureTriggerOverrideController.h"
#include "kal/include/kalStandIn.h"
#include "tests/controllers/sequencerBoard.h"

namespace sequencertest {
namespace {

namespace codes = vorlan_driver::statusCodes;
constexpr uint32_t at(uint32_t channel, uint32_t offset) { return 0x1000u | channel << 7 | (offset & 0x7Fu); }
constexpr uint32_t kOverridden = 1u << 8;
constexpr uint32_t kBusy = 1u << 7;

class ChannelEventsBoard : public SequencerBoard {
 protected:
  void setStatus(uint32_t channel, uint32_t value) { side().setReadView(at(channel, 0x1007), value); }
};

TEST_F(ChannelEventsBoard, LatchKindsTestTheirOwnBitsAndMeasureCompleteTestsBit31) {
  vorlan_driver::EventsGeneratedLatchController latches(*channels[3]);
  struct Case {
    uint32_t kind;
    uint32_t latched;
    bool answer;
    int64_t code;
    uint32_t cleared;  // what clearing the kind writes; 0: nothing
  };
  const Case cases[] = {
      {9, 1u << 9, true, 0, 1u << 9},          {10, 1u << 9, false, 0, 1u << 10},
      {11, 1u << 11, true, 0, 1u << 11},       {14, 1u << 14, false, 0, 0x80000000u},
      {14, 0x80000000u, true, 0, 0x80000000u}, {0x1000E, 0x80000000u, true, 0, 0x80000000u},
      {12, 0xFFFFFFFFu, false, codes::kNotSupported, 0}, {8, 0xFFFFFFFFu, false, codes::kNotSupported, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    side().setReadView(at(3, 0x1056), c.latched);
    takeWrites();
    tStatus status;
    EXPECT_EQ(latches.isEventLatched(c.kind, status), c.answer);
    EXPECT_EQ(status.getCode(), c.code);
    tStatus clearing;
    latches.clearEventLatch(c.kind, clearing);
    EXPECT_EQ(clearing.getCode(), c.code);
    const std::vector<Write> cleared = c.cleared == 0 ? std::vector<Write>{} : std::vector<Write>{{3, at(3, 0x1057), c.cleared}};
    EXPECT_EQ(takeWrites(), cleared);
  }
  tStatus status;
  latches.clearAllEventLatches(status);
  EXPECT_EQ(takeWrites(), (std::vector<Write>{{3, at(3, 0x1057), 0x1FFFF}, {3, at(3, 0x1057), 0x80000000u}}));
}

TEST_F(ChannelEventsBoard, TheOverrideIsGatedByEachChannelsStatusBits) {
  vorlan_driver::MeasureTriggerOverrideController override(*iso, channelPointers.data(), strobePointers.data(), built);
  const uint64_t both = (1u << 2) | (1u << 7);
  const std::vector<Write> strobes{{kIsoWindow, 0x210, 0x84}, {2, at(2, 0x1032), 0x100}, {7, at(7, 0x1032), 0x100}};
  struct Case {
    const char* name;
    uint64_t mask;
    uint32_t status2, status7;
    bool channel2Ignores;
    bool answer;
    int64_t code;
    std::vector<Write> writes;
    uint32_t channel7Reads;
  };
  const Case cases[] = {
      {"both take it", both, 0, 0, false, true, 0, strobes, 3},
      {"the first does not: the second is not asked but strobed", both, 0, 0, true, false, 0, strobes, 2},
      {"one already overridden", both, 0, kOverridden, false, false, code(0xBFFA431Du), {}, 1},
      {"one busy", both, kBusy, 0, false, false, 0, {}, 0},
      {"empty mask", 0, 0, 0, false, true, 0, {}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    setStatus(2, c.status2);
    setStatus(7, c.status7);
    side().channelEngines().switches(2).overrideNotTaken = c.channel2Ignores;
    takeWrites();
    tStatus status;
    EXPECT_EQ(override.overrideTrigger(c.mask, status), c.answer);
    EXPECT_EQ(status.getCode(), c.code);
    uint32_t channel7Reads = 0;
    for (const IsolatedRegisterSpace::Access& a : side().log()) channel7Reads += a.window == 7 && !a.write;
    EXPECT_EQ(channel7Reads, c.channel7Reads);
    EXPECT_EQ(takeWrites(), c.writes);
  }
}

TEST_F(ChannelEventsBoard, ABusEventCodeIsWrittenOnlyWhenItChanges) {
  vorlan_driver::BusEventController events(*iso, built);
  tStatus status;
  for (uint16_t code : {0x1234, 0x1234, 0x0042}) events.generateBusEvent(code, status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(takeWrites(), (std::vector<Write>{{kIsoWindow, 0x40, 0x1234}, {kIsoWindow, 0x40, 0x42}}));
}

TEST_F(ChannelEventsBoard, CalibrationBusReferencesSettleOneMillisecondAfterEachStep) {
  vorlan_driver::CalibrationBusController bus(iso->CalBusControlReg, built);
  struct Case {
    uint32_t type;
    std::vector<uint32_t> words;
    uint64_t atLeastNanoseconds;
    int64_t code;
  };
  const Case cases[] = {
      {0, {0x2A, 0x01}, 2000000, 0},
      {1, {0x2A, 0x10}, 2000000, 0},
      {2, {0x2A, 0x04}, 2000000, 0},
      {7, {0x2A}, 1000000, code(0xBFFA4300u)},  // disconnected, refused
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    const uint64_t begin = kalsim::virtualNanoseconds();
    tStatus status;
    bus.connectReference(c.type, status);
    EXPECT_EQ(status.getCode(), c.code);
    EXPECT_GE(kalsim::virtualNanoseconds() - begin, c.atLeastNanoseconds);
    std::vector<Write> expected;
    for (uint32_t w : c.words) expected.push_back({kIsoWindow, 0x121, w});
    EXPECT_EQ(takeWrites(), expected);
  }
  tStatus status;
  const uint64_t begin = kalsim::virtualNanoseconds();
  bus.connectExternalCalibrationPin(status);
  bus.connectExternalCalibrationPin(status);
  bus.disconnectExternalCalibrationPin(status);
  EXPECT_LT(kalsim::virtualNanoseconds() - begin, 1000000ull);
  bus.disconnectAll(status);
  EXPECT_GE(kalsim::virtualNanoseconds() - begin, 1000000ull);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(takeWrites(), (std::vector<Write>{{kIsoWindow, 0x121, 0x40},
                                              {kIsoWindow, 0x121, 0x40},
                                              {kIsoWindow, 0x121, 0x80},
                                              {kIsoWindow, 0x121, 0x2A}}));
}

}  // namespace
}  // namespace sequencertest
