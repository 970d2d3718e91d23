// The isolation-port map over the simulated tunnel: construction shadows,
// the strobes of 0x18, refusals, walks, and the register it shares with IO
// port 2.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/status/tStatus.h"
#include "regmaps/bridge/tIOPort2RegMapWithOffset.h"
#include "regmaps/bridge/tIsolationPortRegMapWithOffset.h"
#include "tests/regmaps/PortTestSupport.h"

namespace {

using nKIVAPALS100::tStatus;
using porttest::code;
using Traffic = std::vector<std::string>;

class IsolationPortTest : public porttest::PortTest {
 protected:
  uint64_t get(uint32_t id) {
    tStatus status;
    uint64_t value = 0;
    map.get(id, value, status, 0);
    EXPECT_EQ(status.getCode(), 0);
    return value;
  }

  tarntools::tIsolationPortRegMapWithOffset<0u> map{accessor};
};

TEST_F(IsolationPortTest, ShadowOfRegister4StartsAtItsResetValueWithoutAccess) {
  EXPECT_EQ(get(0x80000004), 0x0F000203u);
  EXPECT_TRUE(log().empty());
}

TEST_F(IsolationPortTest, StrobesOf0x18GoOutOnceAndLeaveTheShadow) {
  tStatus status;
  map.set(0x00000018, 1, status, 0);
  map.write(0x30000018, 1, false, status, 0);
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_EQ(takePorts(), (Traffic{"W 2.0.0x18=0x9"}));
  EXPECT_EQ(get(0x80000018), 0x8u);

  map.flush(0x80000018, true, status, 0);
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_EQ(takePorts(), (Traffic{"W 2.0.0x18=0x8"})) << "forced: written though clean, no strobe repeated";
  EXPECT_EQ(get(0x80000018), 0x8u);
}

TEST_F(IsolationPortTest, ReadOnlyRegisterRefusesWritesAndReadsFromThePort) {
  ports().write(2, 0, 0x14, 0x600D);
  takePorts();
  tStatus status;
  map.write(0xC0000014, 5, false, status, 0);
  EXPECT_EQ(status.getCode(), -52005);
  EXPECT_TRUE(takePorts().empty());
  EXPECT_EQ(get(0xC0000014), 0u);

  tStatus fresh;
  uint64_t value = 0;
  map.read(0xC0000014, value, fresh, 0);
  EXPECT_EQ(fresh.getCode(), 0);
  EXPECT_EQ(value, 0x600Du);
  EXPECT_EQ(get(0xC0000014), 0x600Du);
}

TEST_F(IsolationPortTest, WalksVisitTheRegistersInDeclarationOrder) {
  tStatus status;
  map.flushRegMap(true, status);
  map.refreshRegMap(status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(takePorts(), (Traffic{"W 2.0.0x0=0x0", "W 2.0.0x4=0xF000203", "W 2.0.0x18=0x0", "R 2.0.0x0=0x0",
                                  "R 2.0.0x4=0xF000203", "R 2.0.0x14=0x0", "R 2.0.0x18=0x0"}));
}

TEST_F(IsolationPortTest, ReadThatTimesOutReturnsThePreviousShadow) {
  tStatus status;
  map.write(0x80000000, 0x1234, false, status, 0);
  ports().write(2, 0, 0x0, 0x9999);
  tunnel.setNeverReadReady(true);
  uint64_t value = 0;
  map.read(0x80000000, value, status, 0);
  EXPECT_EQ(status.getCode(), code(0xBFFA807D));
  EXPECT_EQ(value, 0x1234u);
}

TEST_F(IsolationPortTest, RegisterZeroIsTheOneIoPort2ControlRegister) {
  tarntools::tIOPort2RegMapWithOffset<0u> ioPort2{accessor};
  tStatus status;
  map.write(0x80000000, 0x1, false, status, 0);
  EXPECT_EQ(ioPort2.IoPort2ControlStatusRegister.readRegister(status), 0x1u) << "the port is held in reset";
  EXPECT_EQ(status.getCode(), 0);
}

}  // namespace
