#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "kal/include/kalStandIn.h"
#include "platform/time/tTimeWasterSleep.h"
#include "platform/time/tTimeWasterSpin.h"
#include "platform/time/tTimebaseEfficient.h"
#include "platform/time/tTimebasePrecise.h"
#include "platform/time/tTimebaseRecord.h"
#include "platform/time/tTimeout.h"
#include "platform/time/timeUnits.h"

namespace vd = vorlan_driver::nKIVAPAL000;
namespace unit = vorlan_driver::nKIVAPAL000::timeUnit;
using vd::tTimebaseEfficient;
using vd::tTimebasePrecise;
using vd::tTimeout;
using vd::tTimeWasterSleep;
using vd::tTimeWasterSpin;

namespace {

constexpr uint64_t kMax = UINT64_MAX;

TEST(TimeUnits, ConversionsWalkOneUnitAtATime) {
  struct Case {
    uint64_t value;
    uint32_t from;
    uint32_t to;
    uint64_t expected;
  };
  const Case cases[] = {
      {2500, unit::kNanoseconds, unit::kMilliseconds, 0},
      {1, unit::kHours, unit::kSeconds, 3600},
      {7, unit::kSeconds, unit::kSeconds, 7},
      {1, unit::kHours, unit::kPicoseconds, 3600000000000000ull},
      {7199, unit::kSeconds, unit::kHours, 1},
      {119999, unit::kMilliseconds, unit::kMinutes, 1},
      {999999999, unit::kPicoseconds, unit::kMicroseconds, 999},
      // Products that do not fit stay at the largest value.
      {kMax, unit::kMicroseconds, unit::kNanoseconds, kMax},
      {18446744073709552ull, unit::kMicroseconds, unit::kNanoseconds, kMax},
      {18446744073709551ull, unit::kMicroseconds, unit::kNanoseconds, 18446744073709551000ull},
      {5124096, unit::kHours, unit::kPicoseconds, kMax},
      {kMax, unit::kHours, unit::kMinutes, kMax},
      // Saturation is sticky over later steps, and division is unaffected.
      {kMax, unit::kNanoseconds, unit::kSeconds, kMax / 1000000000},
      // A unit outside the seven leaves the value alone.
      {1234, unit::kUnset, unit::kMilliseconds, 1234},
      {1234, unit::kMilliseconds, unit::kUnset, 1234},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(vd::convertTime(c.value, c.from, c.to), c.expected) << c.value << " " << c.from << "->" << c.to;
  }
}

class Timeout : public ::testing::Test {
 protected:
  void SetUp() override { kalsim::reset(); }
  void TearDown() override { kalsim::reset(); }
};

TEST_F(Timeout, TheTimeBaseRecordIsFilledOnFirstUse) {
  const vd::tTimebaseRecord& record = vd::timebaseRecord();
  EXPECT_TRUE(record.initialized);
  EXPECT_EQ(record.efficientTickLength, kalsim::kTickMicroseconds);
  EXPECT_EQ(record.preciseTickLength, 1u);
  EXPECT_EQ(record.efficientUnit, unit::kMicroseconds);
  EXPECT_EQ(record.preciseUnit, unit::kNanoseconds);
  vd::initializeTimebase();
  EXPECT_EQ(record.efficientTickLength, kalsim::kTickMicroseconds);
  EXPECT_EQ(tTimebaseEfficient::resolution(), kalsim::kTickMicroseconds);
  EXPECT_EQ(tTimebasePrecise::resolution(), 1u);
}

TEST_F(Timeout, DeadlinesAddOneClockStepUnlessThatWouldOverflow) {
  struct Case {
    uint64_t microseconds;
    uint64_t efficient;
    uint64_t precise;
  };
  const Case cases[] = {
      {1000000, 1004000, 1000000001},
      {0, 4000, 1},
      {kMax, kMax, kMax},
      {kMax - 3999, kMax - 3999, kMax},
      {kMax - 4000, kMax, kMax},
      {kMax - 4001, kMax - 1, kMax},
  };
  for (const Case& c : cases) {
    tTimeout<tTimeWasterSleep, tTimebaseEfficient> efficient;
    efficient.setTimeout(c.microseconds);
    EXPECT_EQ(efficient.getTimeout(), c.efficient) << c.microseconds;
    EXPECT_EQ(efficient.getUnit(), unit::kMicroseconds);
    tTimeout<tTimeWasterSleep, tTimebasePrecise> precise;
    precise.setTimeout(c.microseconds);
    EXPECT_EQ(precise.getTimeout(), c.precise) << c.microseconds;
    EXPECT_EQ(precise.getUnit(), unit::kNanoseconds);
  }
}

TEST_F(Timeout, AStopwatchThatIsNotRunningReportsOnlyItsAccumulatedTime) {
  tTimeout<tTimeWasterSpin, tTimebasePrecise> timeout;
  EXPECT_EQ(timeout.getUnit(), unit::kUnset);
  EXPECT_FALSE(timeout.isRunning());
  kalsim::advanceVirtualClock(5000000);
  EXPECT_EQ(timeout.elapsed(), 0u);
  timeout.setTimeout(10);
  EXPECT_FALSE(timeout.expired());
  timeout.start();
  kalsim::advanceVirtualClock(8000);
  // Each counter read moves the virtual clock one quantum on.
  EXPECT_EQ(timeout.elapsed(), 8000u + kalsim::kReadQuantumNanoseconds);
  EXPECT_FALSE(timeout.expired());
  kalsim::advanceVirtualClock(1000);
  EXPECT_TRUE(timeout.expired());
}

TEST_F(Timeout, ASleepingWaitSleepsWholeMillisecondsThenYields) {
  tTimeout<tTimeWasterSleep, tTimebasePrecise> timeout;
  timeout.setTimeout(2500);
  timeout.start();
  // The start read is one quantum; the first elapsed read another; so 2.5 ms
  // less a microsecond remain when the first sleep is chosen.
  timeout.waitForTimeout();
  EXPECT_TRUE(timeout.expired());
  const std::vector<int32_t> sleeps = kalsim::sleepCalls();
  ASSERT_GE(sleeps.size(), 2u);
  EXPECT_EQ(sleeps[0], 2000);
  for (size_t i = 1; i < sleeps.size(); ++i) ASSERT_EQ(sleeps[i], 0) << i;
  EXPECT_GE(kalsim::virtualNanoseconds(), 2500001u);
}

TEST_F(Timeout, AVeryLongSleepingWaitSleepsInPiecesThatFitTheLayersArgument) {
  tTimeout<tTimeWasterSleep, tTimebaseEfficient> timeout;
  timeout.setTimeout(3000000000ull);
  timeout.start();
  timeout.waitForTimeout();
  const std::vector<int32_t> sleeps = kalsim::sleepCalls();
  ASSERT_GE(sleeps.size(), 2u);
  EXPECT_EQ(sleeps[0], 2147483000);
  for (int32_t sleep : sleeps) EXPECT_GE(sleep, 0);
  EXPECT_LT(sleeps.size(), 10u);
  EXPECT_GE(kalsim::virtualNanoseconds(), 3000004000000ull);
}

TEST_F(Timeout, SpinningWaitsEndOnTheVirtualClockWithoutSleeping) {
  tTimeout<tTimeWasterSpin, tTimebaseEfficient> coarse;
  coarse.setTimeout(0);
  coarse.start();
  EXPECT_FALSE(coarse.expired());
  coarse.waitForTimeout();
  EXPECT_TRUE(coarse.expired());
  // A zero time-out still lasts one tick.
  EXPECT_GE(kalsim::virtualNanoseconds(), uint64_t{kalsim::kTickMicroseconds} * 1000);

  tTimeout<tTimeWasterSpin, tTimebasePrecise> fine;
  const uint64_t before = kalsim::virtualNanoseconds();
  fine.setTimeout(500000);
  fine.start();
  fine.waitForTimeout();
  EXPECT_GE(kalsim::virtualNanoseconds() - before, 500000001u);
  EXPECT_TRUE(kalsim::sleepCalls().empty());
}

}  // namespace
