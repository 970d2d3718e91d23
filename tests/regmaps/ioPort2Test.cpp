// IO port 2's driver over the simulated tunnel and port: reset, PLL
// programming and lock, the writes it repeats or skips, and its time-outs.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "kal/include/kalStandIn.h"
#include "platform/status/tStatus.h"
#include "regmaps/bridge/IOPort2Template.h"
#include "regmaps/bridge/tIOPort2RegMapWithOffset.h"
#include "tests/regmaps/PortTestSupport.h"

namespace {

using nKIVAPALS100::tStatus;
using porttest::code;
using Traffic = std::vector<std::string>;

class IOPort2Test : public porttest::PortTest {
 protected:
  tarntools::tIOPort2RegMapWithOffset<0u> map{accessor};
  tarntools::tBoardIOPort2 port{map};
};

TEST_F(IOPort2Test, ResetThenConfigureLocksThePllWithTheBoardsWord) {
  tStatus status;
  port.reset(status);
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_EQ(takePorts(), (Traffic{"W 2.0.0x0=0x1", "R 2.0.0x0=0x1"}));

  port.configure(status);
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_EQ(takePorts(), (Traffic{"W 2.0.0xC=0x2", "W 2.0.0x8=0x3010070", "W 2.0.0x0=0x2", "R 2.0.0x0=0x2",
                                  "R 2.0.0x0=0x2", "R 2.0.0x0=0x82"}));
  EXPECT_TRUE(port.isLocked(status));
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(IOPort2Test, ConfigureAgainWritesOnlyTheModeAndWaitsForLockAgain) {
  tStatus status;
  port.reset(status);
  port.configure(status);
  takePorts();
  port.configure(status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(takePorts(), (Traffic{"W 2.0.0xC=0x2", "R 2.0.0x0=0x82"}));
}

TEST_F(IOPort2Test, ResetWritesTheResetBitEvenWhenTheShadowHoldsIt) {
  tStatus status;
  port.reset(status);
  takePorts();
  port.reset(status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(takePorts(), (Traffic{"W 2.0.0x0=0x1", "R 2.0.0x0=0x1"}));
}

TEST_F(IOPort2Test, ConfigurationValuesAreTruncatedToTheirFields) {
  tarntools::IOPort2 wide(map, 0xFF, 0xFF, 0xFF, static_cast<tarntools::nIOPort2RegMap::IoPort2PllRange_t>(0xF), 0xFF,
                          true, false);
  tStatus status;
  wide.reset(status);
  wide.configure(status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(ports().peek(2, 0, 0x8), 0x3F7F7F73u);
  EXPECT_EQ(ports().peek(2, 0, 0x0), 0x4u) << "bit-2 flag set, bit-1 flag clear, reset released";
}

// Each way the port or the tunnel can fail to answer ends the operation
// with its own code once the wait is over.
enum class Stuck { kNeverInReset, kNeverLocks, kTunnelNeverReady };
struct StuckCase {
  const char* name;
  Stuck stuck;
  bool configure;  // else reset
  uint32_t code;
  uint64_t atLeastMicroseconds;
};

void PrintTo(const StuckCase& c, std::ostream* out) { *out << c.name; }

class IOPort2StuckTest : public IOPort2Test, public ::testing::WithParamInterface<StuckCase> {};

TEST_P(IOPort2StuckTest, TimesOutWithItsCode) {
  const StuckCase& c = GetParam();
  tStatus status;
  if (c.configure) {
    port.reset(status);
    ASSERT_EQ(status.getCode(), 0);
  }
  switch (c.stuck) {
    case Stuck::kNeverInReset: ports().setNeverInReset(true); break;
    case Stuck::kNeverLocks: ports().setNeverLocks(true); break;
    case Stuck::kTunnelNeverReady: tunnel.setNeverReadReady(true); break;
  }
  const uint64_t before = kalsim::virtualNanoseconds();
  if (c.configure) {
    port.configure(status);
  } else {
    port.reset(status);
  }
  EXPECT_EQ(status.getCode(), code(c.code));
  EXPECT_GE(kalsim::virtualNanoseconds() - before, c.atLeastMicroseconds * 1000u);
}

INSTANTIATE_TEST_SUITE_P(
    Knobs, IOPort2StuckTest,
    ::testing::Values(StuckCase{"NeverInReset", Stuck::kNeverInReset, false, 0xBFFA807A, 500000},
                      StuckCase{"NeverLocks", Stuck::kNeverLocks, true, 0xBFFA807A, 500000},
                      StuckCase{"TunnelNeverReadyInReset", Stuck::kTunnelNeverReady, false, 0xBFFA807D, 100000},
                      StuckCase{"TunnelNeverReadyInConfigure", Stuck::kTunnelNeverReady, true, 0xBFFA807D, 100000}),
    [](const ::testing::TestParamInfo<StuckCase>& info) { return std::string(info.param.name); });

TEST_F(IOPort2Test, IsLockedAfterAFailedReadReportsTheLastReadLockBit) {
  tStatus status;
  port.reset(status);
  port.configure(status);
  ASSERT_EQ(status.getCode(), 0);
  tunnel.setNeverReadReady(true);
  EXPECT_TRUE(port.isLocked(status));
  EXPECT_EQ(status.getCode(), code(0xBFFA807D));

  tunnel.setNeverReadReady(false);
  tStatus again;
  port.reset(again);
  ASSERT_EQ(again.getCode(), 0);
  tunnel.setNeverReadReady(true);
  EXPECT_FALSE(port.isLocked(again));
}

TEST_F(IOPort2Test, ErrorOnEntryTouchesNothing) {
  tStatus status;
  status.setCode(-50, "test", "test", 1);
  port.reset(status);
  port.configure(status);
  EXPECT_FALSE(port.isLocked(status));
  EXPECT_EQ(status.getCode(), -50);
  EXPECT_TRUE(log().empty());
}

TEST_F(IOPort2Test, WholeControlRegisterWriteCarriesEveryBit) {
  tStatus status;
  map.write(0x80000000, 0xFFFFFF7E, false, status, 0);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(takePorts(), (Traffic{"W 2.0.0x0=0xFFFFFF7E"}));
}

}  // namespace
