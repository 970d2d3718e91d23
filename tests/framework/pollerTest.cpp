#include <gtest/gtest.h>

#include <vector>

#include "framework/atut/Poller.h"
#include "framework/atut/PollerStatusAdapter.h"
#include "framework/kdut/CheckHardwareStateTimeoutHandler.h"
#include "kal/include/kalStandIn.h"
#include "platform/time/tTimebaseEfficient.h"
#include "platform/time/tTimebasePrecise.h"
#include "platform/time/tTimeWasterSleep.h"
#include "platform/time/tTimeWasterSpin.h"
#include "platform/time/tTimeout.h"

using namespace vorlan_driver::nKIVAPAL000;
using nKIVAPALS100::tStatus;

namespace {

using PreciseSleep = atut::Poller<tTimeout<tTimeWasterSleep, tTimebasePrecise>, uint32_t>;
using EfficientSleep = atut::Poller<tTimeout<tTimeWasterSleep, tTimebaseEfficient>, uint32_t>;

// A register that turns to `finalValue` at read number `readyAfter` (1-based).
struct FakeRegister {
  uint32_t readyAfter = 1;
  uint32_t finalValue = 0x4;
  int64_t failWith = 0;
  std::vector<uint64_t> readTimes;

  uint32_t read(tStatus& status) {
    readTimes.push_back(kalsim::virtualNanoseconds());
    if (failWith != 0) status.setCode(failWith, "t", "t", 0);
    return readTimes.size() >= readyAfter ? finalValue : 0;
  }
  uint32_t readWithoutStatus() { return read(ignored); }
  tStatus ignored;
};

struct FixedChecker : kdut::HardwareStateCheckerInterface {
  explicit FixedChecker(int64_t code) : code(code) {}
  void checkHardwareState(tStatus& status) override {
    ++calls;
    if (code != 0) status.setCode(code, "t", "t", 0);
  }
  int64_t code;
  int calls = 0;
};

class PollerTest : public ::testing::Test {
 protected:
  void SetUp() override { kalsim::reset(); }
  FakeRegister reg;
};

TEST_F(PollerTest, ConditionsAgainstMaskAndValue) {
  struct Case {
    uint32_t value, mask, expected, condition;
    bool holds;
  };
  const Case cases[] = {
      {0x4, 0x6, 0, PreciseSleep::kAnyMaskBitSet, true},  {0x0, 0x6, 0, PreciseSleep::kAnyMaskBitSet, false},
      {0x6, 0x6, 0, PreciseSleep::kAllMaskBitsSet, true}, {0x4, 0x6, 0, PreciseSleep::kAllMaskBitsSet, false},
      {0x8, 0x6, 0, PreciseSleep::kNoMaskBitSet, true},   {0x2, 0x6, 0, PreciseSleep::kNoMaskBitSet, false},
      {0x03, 0x81, 0x01, PreciseSleep::kMaskedValueEquals, true},
      {0x81, 0x81, 0x01, PreciseSleep::kMaskedValueEquals, false},
  };
  const PreciseSleep poller(1, 10, -1234);
  for (const Case& c : cases) {
    reg = FakeRegister();
    reg.finalValue = c.value;
    tStatus status;
    poller.poll(reg, &FakeRegister::read, c.expected, c.mask, 50, true, c.condition, status);
    EXPECT_EQ(status.getCode(), c.holds ? 0 : -1234) << c.value << "/" << c.condition;
    if (c.holds) {
      EXPECT_EQ(reg.readTimes.size(), 1u) << "one read when it already holds";
    }
  }
}

TEST_F(PollerTest, WaitsDoubleUpToTheCeiling) {
  reg.readyAfter = 10;
  const PreciseSleep poller(1, 100, -1);
  tStatus status;
  poller.poll(reg, &FakeRegister::read, 0, 0x4, 1000000, true, PreciseSleep::kAnyMaskBitSet, status);
  EXPECT_EQ(status.getCode(), 0);
  ASSERT_EQ(reg.readTimes.size(), 10u);
  const uint64_t expected[] = {1, 2, 4, 8, 16, 32, 64, 100, 100};
  for (size_t i = 0; i < 9; ++i) {
    const uint64_t gap = reg.readTimes[i + 1] - reg.readTimes[i];
    // Each wait lasts its interval plus one resolution step; reading the
    // clock costs a few virtual microseconds more.
    EXPECT_GE(gap, expected[i] * 1000 + 1) << i;
    EXPECT_LT(gap, expected[i] * 1000 + 5000) << i;
  }
}

TEST_F(PollerTest, ZeroCeilingReadsBackToBack) {
  reg.readyAfter = 5;
  const PreciseSleep poller(10, 0, -1);
  tStatus status;
  poller.poll(reg, &FakeRegister::read, 0, 0x4, 1000, true, PreciseSleep::kAnyMaskBitSet, status);
  EXPECT_EQ(reg.readTimes.size(), 5u);
  EXPECT_TRUE(kalsim::sleepCalls().empty());
}

TEST_F(PollerTest, TimeOutCodeOrHandlerDecides) {
  struct Case {
    const char* name;
    bool withHandler;
    int64_t checkerFinds;
    int64_t expected;
  };
  const Case cases[] = {
      {"no handler", false, 0, -1111},
      {"checker finds the cause", true, -3333, -3333},
      {"checker finds nothing", true, 0, -2222},
  };
  for (const Case& c : cases) {
    reg = FakeRegister();
    reg.readyAfter = 1000000;
    FixedChecker checker(c.checkerFinds);
    kdut::CheckHardwareStateTimeoutHandler handler(&checker, -2222);
    const EfficientSleep poller(10, 100, -1111, c.withHandler ? &handler : nullptr);
    tStatus status;
    poller.poll(reg, &FakeRegister::read, 0, 0x4, 500000, true, EfficientSleep::kAnyMaskBitSet, status);
    EXPECT_EQ(status.getCode(), c.expected) << c.name;
    EXPECT_GE(reg.readTimes.back() - reg.readTimes.front(), 500000u * 1000) << c.name;
  }
}

TEST_F(PollerTest, InvalidConditionAndGetterFailureEndThePoll) {
  FixedChecker checker(-3333);
  kdut::CheckHardwareStateTimeoutHandler handler(&checker, -2222);
  const PreciseSleep withHandler(1, 10, -1111, &handler);
  tStatus status;
  withHandler.poll(reg, &FakeRegister::read, 0, 0x4, 1000, true, 7, status);
  EXPECT_EQ(status.getCode(), -52005);
  EXPECT_EQ(checker.calls, 0) << "the handler sees a failed status and adds nothing";
  EXPECT_EQ(reg.readTimes.size(), 1u);

  reg = FakeRegister();
  reg.readyAfter = 100;
  reg.failWith = -4444;
  const PreciseSleep plain(1, 10, -1111);
  tStatus failing;
  plain.poll(reg, &FakeRegister::read, 0, 0x4, 1000000, false, PreciseSleep::kAnyMaskBitSet, failing);
  EXPECT_EQ(failing.getCode(), -4444);
  EXPECT_EQ(reg.readTimes.size(), 1u);

  tStatus already;
  already.setCode(-52007, "t", "t", 0);
  reg = FakeRegister();
  plain.poll(reg, &FakeRegister::read, 0, 0x4, 0, true, PreciseSleep::kAnyMaskBitSet, already);
  EXPECT_TRUE(reg.readTimes.empty());
}

TEST_F(PollerTest, WaitForValueWithoutStatus) {
  reg.readyAfter = 3;
  reg.finalValue = 0x5;
  const PreciseSleep poller(1, 4, -1);
  tStatus status;
  poller.waitForValueNoStatus(reg, &FakeRegister::readWithoutStatus, 0x5, 0xF, status);
  EXPECT_EQ(reg.readTimes.size(), 3u);
  EXPECT_EQ(status.getCode(), 0);
}

// A getter without a status polled through the adapter: the poll runs as
// with any getter, and the adapter reads even with an error in the status it
// is handed (the poller itself does not call it then).
TEST_F(PollerTest, AStatuslessGetterPollsThroughTheAdapter) {
  using Adapter = atut::PollerStatusAdapter<FakeRegister, uint32_t (FakeRegister::*)(), uint32_t>;
  Adapter adapter(reg, &FakeRegister::readWithoutStatus);
  reg.readyAfter = 3;
  const PreciseSleep poller(1, 10, -1);
  tStatus status;
  poller.poll(adapter, &Adapter::poll, 0, 0x4, 100000, true, PreciseSleep::kAnyMaskBitSet, status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(reg.readTimes.size(), 3u);

  tStatus failed;
  failed.setCode(-9, "t", "t", 0);
  EXPECT_EQ(adapter.poll(failed), 0x4u);
  EXPECT_EQ(failed.getCode(), -9);
  EXPECT_EQ(reg.readTimes.size(), 4u);
}

}  // namespace
