#include <gtest/gtest.h>

#include "kal/include/kalStandIn.h"
#include "routing/RoutingResourcesManager.h"
#include "routing/RoutingSession.h"

namespace {

using kivark::KernelRoutingSession;
using kivark::RoutingResources;
using kivark::RoutingResourcesManager;
using nKIVAPALS100::tStatus;

class RoutingResourcesManagerTest : public ::testing::Test {
 protected:
  void SetUp() override { kalsim::reset(); }
  void TearDown() override { kalsim::failAllocationOnThisThread(0); }
};

// Each allocation of a session's construction fails in turn. Listing takes
// no memory, so a session built with a clean status is always listed and
// holds the resources until they are withdrawn; one whose construction
// failed is not listed.
TEST_F(RoutingResourcesManagerTest, EverySessionBuiltCleanIsListedWhateverAllocationFails) {
  bool sawFailure = false;
  for (uint32_t nth = 1; nth <= 8; ++nth) {
    tStatus managerStatus;
    RoutingResourcesManager manager(managerStatus);
    ASSERT_EQ(managerStatus.getCode(), 0);
    RoutingResources resources{1};
    manager.setRoutingResources(&resources);

    tStatus status;
    kalsim::failAllocationOnThisThread(nth);
    {
      KernelRoutingSession session(&manager, status);
      kalsim::failAllocationOnThisThread(0);
      if (status.isFatal()) {
        sawFailure = true;
        EXPECT_EQ(manager.getSessionCount(), 0u) << nth;
      } else {
        EXPECT_EQ(manager.getSessionCount(), 1u) << nth;
        EXPECT_EQ(session.getRoutingResources(), &resources) << nth;
        manager.withdrawRoutingResources();
        EXPECT_EQ(session.getRoutingResources(), nullptr) << nth;
      }
    }
    EXPECT_EQ(manager.getSessionCount(), 0u) << nth;
  }
  EXPECT_TRUE(sawFailure) << "no allocation of the construction failed";
}

// Sessions leave the list in any order; those still listed keep hearing of
// resources and their withdrawal.
TEST_F(RoutingResourcesManagerTest, UnlistingOneSessionLeavesTheOthersListed) {
  tStatus status;
  RoutingResourcesManager manager(status);
  RoutingResources resources{2};
  KernelRoutingSession first(&manager, status);
  KernelRoutingSession third(&manager, status);
  {
    KernelRoutingSession middle(&manager, status);
    ASSERT_EQ(status.getCode(), 0);
    EXPECT_EQ(manager.getSessionCount(), 3u);
    manager.setRoutingResources(&resources);
    EXPECT_EQ(middle.getRoutingResources(), &resources);
  }
  EXPECT_EQ(manager.getSessionCount(), 2u);
  manager.unregisterRoutingSession(&first);
  EXPECT_EQ(first.getRoutingResources(), nullptr) << "unlisting takes the resources back";
  manager.unregisterRoutingSession(&first);
  EXPECT_EQ(manager.getSessionCount(), 1u) << "a second unregistration changes nothing";
  EXPECT_EQ(third.getRoutingResources(), &resources);
  manager.withdrawRoutingResources();
  EXPECT_EQ(third.getRoutingResources(), nullptr);
  manager.setRoutingResources(&resources);
  EXPECT_EQ(third.getRoutingResources(), &resources);
  EXPECT_EQ(first.getRoutingResources(), nullptr) << "an unlisted session hears nothing more";
}

}  // namespace
