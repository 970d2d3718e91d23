#include <gtest/gtest.h>

#include <vector>

#include "framework/atut/HardwareStateCheckerCollection.h"
#include "framework/atut/InvalidatableSession.h"
#include "framework/atut/safeCast.h"
#include "framework/kdut/CleanupOperationComposite.h"
#include "framework/kdut/HardwareStateCheckerComposite.h"
#include "kal/include/kalStandIn.h"

using nKIVAPALS100::tStatus;

namespace {

struct Recorder : kdut::CleanupOperationInterface, kdut::HardwareStateCheckerInterface {
  Recorder(std::vector<int>& log, int id, int64_t code) : log(log), id(id), code(code) {}
  void cleanup(tStatus& status) override {
    log.push_back(id);
    status.setCode(code, "t", "t", 0);
  }
  void checkHardwareState(tStatus& status) override {
    log.push_back(id);
    if (status.isFatal()) return;
    status.setCode(code, "t", "t", 0);
  }
  std::vector<int>& log;
  int id;
  int64_t code;
};

class CompositeTest : public ::testing::Test {
 protected:
  void SetUp() override { kalsim::reset(); }
  std::vector<int> log;
};

TEST_F(CompositeTest, CleanupRunsLastAddedFirstAndEveryOperationRuns) {
  tStatus status;
  kdut::CleanupOperationComposite composite(kdut::CleanupOperationComposite::kSessionCapacity, status);
  Recorder first(log, 1, 0), second(log, 2, -52007), third(log, 3, -52000);
  for (Recorder* r : {&first, &second, &third}) composite.add(r, status);
  ASSERT_EQ(status.getCode(), 0);

  tStatus result;
  result.setCode(5, "t", "t", 0);
  composite.cleanup(result);
  EXPECT_EQ(log, (std::vector<int>{3, 2, 1}));
  EXPECT_EQ(result.getCode(), -52000) << "a warning yields to the first error met";
  EXPECT_TRUE(composite.contains(&second)) << "running leaves the list as it was";

  log.clear();
  tStatus failed;
  failed.setCode(-52005, "t", "t", 0);
  composite.cleanup(failed);
  EXPECT_TRUE(log.empty());
}

TEST_F(CompositeTest, CompositesNestAndDuplicatesRunTwice) {
  tStatus status;
  kdut::CleanupOperationComposite owner(kdut::CleanupOperationComposite::kOwnerCapacity, status);
  kdut::CleanupOperationComposite session(4, status);
  Recorder op(log, 7, 0);
  session.add(&op, status);
  session.add(&op, status);
  owner.add(&session, status);
  owner.cleanup(status);
  EXPECT_EQ(log, (std::vector<int>{7, 7}));
}

TEST_F(CompositeTest, RemoveKeepsOrderAndRefusesStrangers) {
  tStatus status;
  kdut::CleanupOperationComposite composite(0, status);
  Recorder a(log, 1, 0), b(log, 2, 0), c(log, 3, 0), stranger(log, 9, 0);
  for (Recorder* r : {&a, &b, &c}) composite.add(r, status);
  composite.remove(&b, status);
  EXPECT_EQ(status.getCode(), 0);
  composite.remove(&stranger, status);
  EXPECT_EQ(status.getCode(), -52006);
  tStatus run;
  composite.cleanup(run);
  EXPECT_EQ(log, (std::vector<int>{3, 1}));
}

TEST_F(CompositeTest, GrowthFailureIsOutOfMemory) {
  tStatus status;
  kdut::CleanupOperationComposite composite(0, status);
  Recorder a(log, 1, 0);
  kalsim::failAllocationOnThisThread(1);
  composite.add(&a, status);
  kalsim::failAllocationOnThisThread(0);
  EXPECT_EQ(status.getCode(), -52000);
  EXPECT_FALSE(composite.contains(&a));
}

TEST_F(CompositeTest, CheckersShareOneStatusSoTheFirstFailureDecides) {
  tStatus status;
  kdut::HardwareStateCheckerComposite checkers(status);
  Recorder ok(log, 1, 0), bad(log, 2, static_cast<int64_t>(static_cast<int32_t>(0xBFFA8078u))), late(log, 3, -52000);
  for (Recorder* r : {&ok, &bad, &late}) checkers.add(r, status);
  checkers.checkHardwareState(status);
  EXPECT_EQ(log, (std::vector<int>{1, 2, 3})) << "later checkers are called but check nothing";
  EXPECT_EQ(status.getCode(), static_cast<int64_t>(static_cast<int32_t>(0xBFFA8078u)));
}

// The fixed collection behaves as the composite does and, holding its
// checkers in place, refuses the 65th instead of growing.
TEST_F(CompositeTest, CheckerCollectionAsksInOrderAndRefusesBeyondItsCapacity) {
  const int64_t kBridge = static_cast<int64_t>(static_cast<int32_t>(0xBFFA8078u));
  atut::HardwareStateCheckerCollection checkers;
  Recorder ok(log, 1, 0), bad(log, 2, kBridge), late(log, 3, -52000);
  tStatus status;
  for (Recorder* r : {&ok, &bad, &late}) checkers.add(r, status);
  checkers.checkHardwareState(status);
  EXPECT_EQ(log, (std::vector<int>{1, 2, 3})) << "later checkers are called but check nothing";
  EXPECT_EQ(status.getCode(), kBridge);

  tStatus removal;
  checkers.remove(&bad, removal);
  checkers.remove(&bad, removal);
  EXPECT_EQ(removal.getCode(), -52006) << "a checker not held";
  log.clear();
  tStatus again;
  checkers.checkHardwareState(again);
  EXPECT_EQ(log, (std::vector<int>{1, 3}));
  EXPECT_EQ(again.getCode(), -52000);

  checkers.clear();
  tStatus filling;
  for (uint64_t i = 0; i < atut::HardwareStateCheckerCollection::kCapacity; ++i) checkers.add(&ok, filling);
  EXPECT_EQ(filling.getCode(), 0);
  checkers.add(&late, filling);
  EXPECT_EQ(filling.getCode(), -52000);
  EXPECT_EQ(checkers.count(), atut::HardwareStateCheckerCollection::kCapacity);
}

struct Switchable : atut::InvalidatableSession {
  Switchable() : atut::InvalidatableSession(static_cast<int32_t>(0xBFFA9179u)) {}
  bool isValid() override { return valid; }
  bool valid = true;
};

TEST(InvalidatableSession, ReportsItsCodeOnlyOnceInvalidAndOnlyOnACleanStatus) {
  Switchable session;
  tStatus status;
  session.checkValid(status);
  EXPECT_EQ(status.getCode(), 0);
  session.valid = false;
  tStatus warned;
  warned.setCode(3, "t", "t", 0);
  session.checkValid(warned);
  EXPECT_EQ(warned.getCode(), static_cast<int64_t>(static_cast<int32_t>(0xBFFA9179u))) << "an error replaces a warning";
  tStatus failed;
  failed.setCode(-7, "t", "t", 0);
  session.checkValid(failed);
  EXPECT_EQ(failed.getCode(), -7);
}

TEST(SafeCast, NarrowsOnlyWhatFits) {
  struct Case {
    uint64_t value;
    int64_t initial;
    uint32_t result;
    int64_t code;
  };
  const Case cases[] = {
      {0xFFFFFFFFull, 0, 0xFFFFFFFFu, 0},
      {0x100000000ull, 0, 0, -52003},
      {5, -52007, 0, -52007},
  };
  for (const Case& c : cases) {
    tStatus status;
    status.setCode(c.initial, "t", "t", 0);
    EXPECT_EQ(atutSafeCast(c.value, status), c.result);
    EXPECT_EQ(status.getCode(), c.code);
  }
}

}  // namespace
