// The chassis power-monitor accessor over the simulated relay registers:
// command words, the read-back, and both time-outs.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "device/frontEndAccessors/ChassisPowerMonitorFrontEndAccessor.h"
#include "framework/frontEndAccessors/frontEndAccessorCodes.h"
#include "platform/synchronization/tMutex.h"
#include "tests/framework/frontEndTestSupport.h"

namespace frontendtest {
namespace {

using vorlan_driver::tNisoChassisPowerMonitorFrontEndAccessor;
namespace codes = voltarissharedsource::frontEndCodes;

constexpr uint64_t kCommand = 0x90;
constexpr uint64_t kReadBack = 0x94;
constexpr uint32_t kReadStrobe = 1u << 22;
constexpr uint32_t kWriteStrobe = 1u << 19;
constexpr uint32_t kReadDone = 1u << 21;
constexpr uint32_t kBusy = 1u << 29;

class PowerMonitor : public FrontEndBoard {
 protected:
  PowerMonitor()
      : mutex(built),
        monitor(map->ChassisPowerMonConfigReg, map->ChassisPowerMonReadReg, mutex) {
    EXPECT_EQ(built.getCode(), 0);
  }

  tStatus built;
  vorlan_driver::nKIVAPAL000::tMutex mutex;
  tNisoChassisPowerMonitorFrontEndAccessor monitor;
};

TEST_F(PowerMonitor, ReadStrobesTheChipRegisterAndAnswersTheDataOnceDone) {
  block.powerMonitor().poke(2, 0x1234);
  block.setPowerMonitorReadDoneDelayReads(2);
  tStatus status;
  EXPECT_EQ(monitor.read32(2, status), 0x1234u);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(take(), (std::vector<BlockAccess>{R(kReadBack, 0), W(kCommand, (2u << 16) | kReadStrobe), R(kReadBack, 0),
                                              R(kReadBack, kReadDone | 0x1234)}));
  EXPECT_EQ(map->ChassisPowerMonConfigReg.getRegister(), 2u << 16) << "the strobe does not stay in the shadow";
}

TEST_F(PowerMonitor, OnlyTheLowThreeBitsOfTheRegisterNumberCount) {
  block.powerMonitor().poke(1, 0x0BEE);
  tStatus status;
  EXPECT_EQ(monitor.read32(9, status), 0x0BEEu);
  const std::vector<simboard::PowerMonitorChip::Access> expected{{1, false, 0x0BEE}};
  EXPECT_EQ(block.powerMonitor().log(), expected);
}

TEST_F(PowerMonitor, WriteSendsTheLowSixteenBitsAndWaitsUntilIdleAgain) {
  block.setPowerMonitorBusyReads(2);
  tStatus status;
  monitor.write32(5, 0x12345678u, status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(take(), (std::vector<BlockAccess>{R(kReadBack, 0), W(kCommand, 0x5678u | (5u << 16) | kWriteStrobe),
                                              R(kReadBack, kBusy), R(kReadBack, 0)}));
  EXPECT_EQ(block.powerMonitor().peek(5), 0x5678u);

  // The data stays in the shadow; the next read carries it with its own
  // register number.
  tStatus next;
  monitor.read32(4, next);
  EXPECT_EQ(take().at(1), W(kCommand, 0x5678u | (4u << 16) | kReadStrobe));
}

struct MonitorFault {
  std::string name;
  bool write;
  std::function<void(NisoFpgaLinkBlock&)> arrange;
  int64_t code;
  bool commandSent;
};

void PrintTo(const MonitorFault& c, std::ostream* out) { *out << c.name; }

class PowerMonitorFaults : public PowerMonitor, public ::testing::WithParamInterface<MonitorFault> {};

TEST_P(PowerMonitorFaults, EndWithTheirCodeAndAllOnes) {
  const MonitorFault& c = GetParam();
  c.arrange(block);
  tStatus status;
  uint32_t result = 0;
  if (c.write) {
    monitor.write32(3, 0x42, status);
  } else {
    result = monitor.read32(3, status);
  }
  EXPECT_EQ(status.getCode(), c.code);
  if (!c.write) {
    EXPECT_EQ(result, 0xFFFFFFFFu);
  }
  const std::vector<BlockAccess> traffic = take();
  const bool sent = std::any_of(traffic.begin(), traffic.end(), [](const BlockAccess& a) { return a.write; });
  EXPECT_EQ(sent, c.commandSent);
  EXPECT_EQ(mutex.getDepth(), 0u) << "the lent lock is released on failure";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PowerMonitorFaults,
    ::testing::Values(
        MonitorFault{"ReadWhileStuckBusy", false, [](NisoFpgaLinkBlock& b) { b.setPowerMonitorStuckBusy(true); },
                     codes::kPowerMonitorBusy, false},
        MonitorFault{"WriteWhileStuckBusy", true, [](NisoFpgaLinkBlock& b) { b.setPowerMonitorStuckBusy(true); },
                     codes::kPowerMonitorBusy, false},
        MonitorFault{"WriteThatNeverCompletes", true,
                     [](NisoFpgaLinkBlock& b) { b.setPowerMonitorBusyReads(NisoFpgaLinkBlock::kForever); },
                     codes::kPowerMonitorBusy, true},
        MonitorFault{"ReadNeverDone", false, [](NisoFpgaLinkBlock& b) { b.setPowerMonitorNeverReadDone(true); },
                     codes::kPowerMonitorReadNotDone, true}),
    [](const ::testing::TestParamInfo<MonitorFault>& info) { return info.param.name; });

TEST_F(PowerMonitor, TimeOutsFollowTheirDeadlines) {
  // Busy for 500 microseconds, read done within 10000: on the virtual clock
  // a monitor that is late by less than that still succeeds.
  block.setPowerMonitorReadDoneDelayReads(6);
  tStatus status;
  monitor.read32(0, status);
  EXPECT_EQ(status.getCode(), 0);
  block.setPowerMonitorReadDoneDelayReads(0);
  block.setPowerMonitorStuckBusy(true);
  const uint64_t before = kalsim::virtualNanoseconds();
  tStatus late;
  monitor.read32(0, late);
  EXPECT_EQ(late.getCode(), codes::kPowerMonitorBusy);
  EXPECT_GE(kalsim::virtualNanoseconds() - before, 500000u);
}

TEST_F(PowerMonitor, ErrorInTheStatusMeansNoAccess) {
  tStatus status;
  vorlanSetCode(status, -52010);
  EXPECT_EQ(monitor.read32(0, status), 0xFFFFFFFFu);
  monitor.write32(0, 1, status);
  EXPECT_TRUE(take().empty());
}

}  // namespace
}  // namespace frontendtest
