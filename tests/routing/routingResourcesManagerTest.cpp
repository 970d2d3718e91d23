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

// Each allocation of a session's construction fails in turn. A session the
// manager could not list is never told of a withdrawal, so it must not hold
// the resources at all; a listed one holds them until they are withdrawn.
TEST_F(RoutingResourcesManagerTest, OnlyAListedSessionHoldsTheResources) {
  bool sawUnlisted = false;
  bool sawListed = false;
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
      const bool listed = manager.getSessionCount() == 1;
      if (listed) {
        sawListed = true;
        EXPECT_EQ(session.getRoutingResources(), &resources) << nth;
        manager.withdrawRoutingResources();
        EXPECT_EQ(session.getRoutingResources(), nullptr) << nth;
      } else if (status.isNotFatal()) {
        sawUnlisted = true;
        EXPECT_EQ(session.getRoutingResources(), nullptr) << "unlisted session, allocation " << nth;
      }
    }
    EXPECT_EQ(manager.getSessionCount(), 0u) << nth;
  }
  EXPECT_TRUE(sawUnlisted) << "no allocation made the listing fail";
  EXPECT_TRUE(sawListed);
}

}  // namespace
