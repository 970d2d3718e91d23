// The isolated channel controller's write sequences over the simulated
// board's log: switch patterns, commits, calibration, limits and status.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "controllers/channel/IsoChannelController.h"
#include "tests/controllers/sequencerBoard.h"

namespace sequencertest {
namespace {

using Channel = vorlan_driver::IsoChannelController;
constexpr uint32_t kCh = 9;
constexpr uint32_t at(uint32_t offset) { return 0x1000u | kCh << 7 | (offset & 0x7Fu); }
constexpr SequencerBoard::Write wr(uint32_t offset, uint32_t value) { return {kCh, at(offset), value}; }
const SequencerBoard::Write kCommit = wr(0x1001, 1);

class IsoChannelBoard : public SequencerBoard {
 protected:
  Channel channel{*channels[kCh], *strobes[kCh]};
};

TEST_F(IsoChannelBoard, EachOperationWritesItsValuesInItsOrder) {
  struct Case {
    const char* name;
    std::function<void(Channel&, tStatus&)> run;
    std::vector<Write> writes;
  };
  const Case cases[] = {
      {"reset, range 9 is 1", [](Channel& c, tStatus& s) { c.resetChannel(9, s); },
       {wr(0x103C, 0xAAA9), wr(0x103D, 0x2AAA), wr(0x1034, 1), kCommit}},
      {"connect to the calibration bus: state 1 first", [](Channel& c, tStatus& s) { c.connectToCalibrationBus(s); },
       {wr(0x103C, 0x0006), wr(0x103D, 0x2440), kCommit}},
      {"disconnect: state 2 first", [](Channel& c, tStatus& s) { c.disconnectFromCalibrationBus(s); },
       {wr(0x103D, 0x0A80), wr(0x103C, 0x0008), kCommit}},
      {"gang, lowest", [](Channel& c, tStatus& s) { c.configureGanging(false, true, s); },
       {wr(0x103D, 0x2940), kCommit}},
      {"gang, middle", [](Channel& c, tStatus& s) { c.configureGanging(true, true, s); },
       {wr(0x103D, 0x2540), kCommit}},
      {"ungang", [](Channel& c, tStatus& s) { c.configureGanging(false, false, s); },
       {wr(0x103D, 0x2A40), kCommit}},
      {"ungang again: forced", [](Channel& c, tStatus& s) { c.configureGanging(false, false, s); },
       {wr(0x103D, 0x2A40), kCommit}},
      {"two commits", [](Channel& c, tStatus& s) { c.commit(s), c.commit(s); }, {kCommit, kCommit}},
      {"calibration entry 9 is entry 1, no commit",
       [](Channel& c, tStatus& s) { c.loadCalibrationTableEntry(9, 0xFFFFFFFF, 0x12345, 0xFFFFFFFF, s); },
       {wr(0x102F, 0x11), wr(0x1016, 0xFFFFF), wr(0x1017, 0x12345), wr(0x101A, 0xFFFFFF)}},
      {"entry zero commits", [](Channel& c, tStatus& s) { c.loadCalibrationTableEntryZero(1, 2, 3, s); },
       {wr(0x102F, 0x10), wr(0x1016, 1), wr(0x1017, 2), wr(0x101A, 3), kCommit}},
      {"gains and offsets", [](Channel& c, tStatus& s) { c.configureCalibrationGainsAndOffsets(1, 2, 3, 4, s); },
       {wr(0x1015, 1), wr(0x1014, 2), wr(0x1019, 3), wr(0x1018, 4), kCommit}},
      {"DAC limits in 14 bits", [](Channel& c, tStatus& s) { c.configureDacLimits(0xFFFF, 0x1234, s); },
       {wr(0x101B, 0x12343FFF), kCommit}},
      {"flex loop", [](Channel& c, tStatus& s) { c.configureControlMode(true, 0xF123, s); },
       {wr(0x103E, 0x123), kCommit, wr(0x1000, 1)}},
      {"open loop", [](Channel& c, tStatus& s) { c.configureControlMode(false, 0x5, s); },
       {wr(0x103E, 0x5), kCommit, wr(0x1000, 0)}},
      {"error resets", [](Channel& c, tStatus& s) { c.strobeErrorResetBit26(s), c.strobeErrorResetBit27(s); },
       {wr(0x1032, 1u << 26), wr(0x1032, 1u << 27)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    tStatus status;
    c.run(channel, status);
    EXPECT_EQ(status.getCode(), 0);
    EXPECT_EQ(takeWrites(), c.writes);
    tStatus failed;
    vorlanSetCode(failed, -1);
    c.run(channel, failed);
    EXPECT_TRUE(takeWrites().empty());
  }
}

TEST_F(IsoChannelBoard, ComplianceAndOcpMaximaAreReadFromTheChannel) {
  tStatus status;
  side().setReadView(at(0x1007), 1u << 6);
  EXPECT_TRUE(channel.isInCompliance(status));
  side().setReadView(at(0x1007), ~(1u << 6));
  EXPECT_FALSE(channel.isInCompliance(status));
  side().setReadView(at(0x106F), 0xABCD1234u);
  uint16_t first = 0;
  uint16_t second = 0;
  channel.readOcpCounterMax(first, second, status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(first, 0xABCD);
  EXPECT_EQ(second, 0x1234);
}

}  // namespace
}  // namespace sequencertest
