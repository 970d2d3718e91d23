#include <gtest/gtest.h>

#include "device/SetupLevel.h"
#include "framework/kdut/CleanupOperationComposite.h"
#include "framework/kdut/ResetInvalidatableSession.h"
#include "framework/kdut/ResourceReservation.h"
#include "framework/kdut/SetupTracker.h"
#include "framework/kdut/kdutStatusCodes.h"
#include "kal/include/kalStandIn.h"

using nKIVAPALS100::tStatus;
namespace codes = kdut::codes;

namespace {

constexpr uint64_t kChannels = 0xFFFFFF;

struct Session {
  explicit Session(kdut::ResourceReservationManager& manager)
      : composite(kdut::CleanupOperationComposite::kSessionCapacity, status),
        reservation(static_cast<int32_t>(codes::kResourceNotReserved), &manager, status) {}
  tStatus status;
  kdut::CleanupOperationComposite composite;
  kdut::ResourceReservation reservation;

  int64_t reserve(uint64_t mask) {
    tStatus s;
    reservation.reserve(composite, mask, s);
    return s.getCode();
  }
  int64_t check(uint64_t mask) {
    tStatus s;
    reservation.checkReserved(mask, s);
    return s.getCode();
  }
};

class ReservationTest : public ::testing::Test {
 protected:
  void SetUp() override { kalsim::reset(); }
  tStatus status;
  kdut::ResourceReservationManager manager{static_cast<int32_t>(codes::kResourceAlreadyReserved),
                                           static_cast<int32_t>(codes::kResourceNotReserved), kChannels,
                                           static_cast<int32_t>(codes::kResourceOutOfRange), status};
};

TEST_F(ReservationTest, ReservationsAreAllOrNothingAcrossSessions) {
  Session a(manager), b(manager), c(manager);
  EXPECT_EQ(a.reserve(0x00F), 0);
  EXPECT_EQ(b.reserve(0x0F0), 0);
  struct Case {
    uint64_t mask;
    int64_t code;
  };
  const Case refused[] = {
      {0x100 | 0x001, codes::kResourceAlreadyReserved},  // overlaps a's channel
      {0x010, codes::kResourceAlreadyReserved},          // one of b's
      {1ull << 24, codes::kResourceOutOfRange},           // beyond the 24 channels
      {(1ull << 30) | 0x001, codes::kResourceOutOfRange}, // out of range wins over overlap
  };
  for (const Case& r : refused) {
    EXPECT_EQ(c.reserve(r.mask), r.code) << std::hex << r.mask;
    EXPECT_EQ(c.reservation.getHeldMask(), 0u);
    EXPECT_FALSE(c.composite.contains(&c.reservation));
  }
  EXPECT_EQ(manager.getReservedMask(), 0x0FFu);
  EXPECT_EQ(c.reserve(0), 0) << "an empty mask succeeds and changes nothing";
}

TEST_F(ReservationTest, CheckReservedNeedsEveryBit) {
  Session a(manager);
  ASSERT_EQ(a.reserve(0x6), 0);
  EXPECT_EQ(a.check(0), 0);
  EXPECT_EQ(a.check(0x2), 0);
  EXPECT_EQ(a.check(0x3), codes::kResourceNotReserved);
}

TEST_F(ReservationTest, ASecondReservationAddsToTheFirstAndCleanupReleasesBoth) {
  Session a(manager);
  ASSERT_EQ(a.reserve(0x1), 0);
  ASSERT_EQ(a.reserve(0x2), 0);
  EXPECT_EQ(a.reserve(0x1), codes::kResourceAlreadyReserved) << "asking again for a held channel";
  EXPECT_EQ(a.reservation.getHeldMask(), 0x3u);

  tStatus run;
  a.composite.cleanup(run);
  EXPECT_EQ(run.getCode(), 0);
  EXPECT_EQ(manager.getReservedMask(), 0u) << "no channel is left without an owner";
  a.composite.remove(&a.reservation, run);
  EXPECT_EQ(run.getCode(), 0) << "the reservation joined the composite once";
  a.composite.remove(&a.reservation, run);
  EXPECT_EQ(run.getCode(), -52006);
}

TEST_F(ReservationTest, ReleaseLeavesTheCompositeAndFreesTheChannels) {
  Session a(manager), b(manager);
  ASSERT_EQ(a.reserve(0x30), 0);
  tStatus s;
  a.reservation.release(a.composite, s);
  EXPECT_EQ(s.getCode(), 0);
  EXPECT_FALSE(a.composite.contains(&a.reservation));
  EXPECT_EQ(b.reserve(0x30), 0);
}

TEST(ResetInvalidation, ValidUntilTheCounterMoves) {
  uint32_t counter = 4;
  kdut::ResetInvalidatableSession session(&counter, static_cast<int32_t>(codes::kSessionInvalidated));
  tStatus s;
  session.checkValid(s);
  EXPECT_EQ(s.getCode(), 0);
  ++counter;
  EXPECT_FALSE(session.isValid());
  session.checkValid(s);
  EXPECT_EQ(s.getCode(), codes::kSessionInvalidated);
  EXPECT_EQ(session.revalidate(), 5u);
  EXPECT_TRUE(session.isValid());
}

using Tracker = kdut::SetupTracker<vorlan_shared::SetupLevel>;

TEST(SetupTrackerProtocol, StopsAtItsTargetAndRecordsWhy) {
  struct Case {
    uint32_t target;
    uint32_t reached;
    int64_t code;
  };
  for (const Case& c : {Case{20, 20, 0}, Case{7, 7, -52010}, Case{1, 1, -52010}}) {
    Tracker tracker;
    tracker.resetToTarget(c.target);
    for (uint32_t level = 1; level <= 20; ++level) tracker.advanceTo(level);
    EXPECT_EQ(tracker.getCurrentLevel(), c.reached) << c.target;
    EXPECT_EQ(tracker.getSetupStatus().getCode(), c.code) << c.target;
  }
}

TEST(SetupTrackerProtocol, AFailureFreezesTheLevelAndSurvives) {
  Tracker tracker;
  tracker.resetToTarget(20);
  tracker.advanceTo(3);
  tracker.getSetupStatus().setCode(-52007, "t", "t", 0);
  tracker.advanceTo(4);
  EXPECT_EQ(tracker.getCurrentLevel(), 3u);
  tracker.checkTargetSetupLevel();
  EXPECT_EQ(tracker.getSetupStatus().getCode(), -52007);
  tracker.resetToTarget(5);
  EXPECT_EQ(tracker.getSetupStatus().getCode(), 0);
  EXPECT_EQ(tracker.getCurrentLevel(), 0u);
}

}  // namespace
