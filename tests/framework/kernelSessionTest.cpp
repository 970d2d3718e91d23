#include <gtest/gtest.h>

#include "routing/RoutingSession.h"
#include "tests/framework/QuillDeviceFixture.h"
#include "tests/support/allocationFailures.h"

namespace quilltest {
namespace {

namespace codes = kdut::codes;

class KernelSessionTest : public QuillDeviceTest {
 protected:
  uint64_t reserved() { return device->getReservationManager().getReservedMask(); }
};

TEST_F(KernelSessionTest, ReservationCodesAcrossSessions) {
  startDevice();
  KernelSession* a = open();
  KernelSession* b = open();
  KernelSession* c = open();
  struct Case {
    KernelSession* session;
    uint64_t mask;
    int64_t code;
  };
  const Case cases[] = {
      {a, 0x00000F, 0},
      {b, 0x0000F0, 0},
      {c, 0x000010, codes::kResourceAlreadyReserved},  // one of b's
      {a, 0x000001, codes::kResourceAlreadyReserved},  // its own, asked again
      {c, 0x1000100, codes::kResourceOutOfRange},      // bit 24, with a free bit
      {c, 0, 0},
  };
  for (const Case& k : cases) EXPECT_EQ(reserve(k.session, k.mask), k.code) << std::hex << k.mask;
  EXPECT_EQ(reserved(), 0xFFu) << "a refused mask reserves nothing";
  EXPECT_EQ(c->getHeldMask(), 0u);

  tStatus check;
  a->checkReserved(0, check);
  EXPECT_EQ(check.getCode(), 0);
  a->checkReserved(0x13, check);
  EXPECT_EQ(check.getCode(), codes::kResourceNotReserved) << "one unheld channel among held ones";
  close(a);
  close(b);
  close(c);
}

TEST_F(KernelSessionTest, ClosingAValidSessionFreesItsChannels) {
  startDevice();
  KernelSession* a = open();
  KernelSession* b = open();
  ASSERT_EQ(reserve(a, 0x3), 0);
  ASSERT_EQ(reserve(a, 0x4), 0);
  close(a);
  EXPECT_EQ(reserved(), 0u);
  EXPECT_EQ(reserve(b, 0x7), 0);
  close(b);
}

TEST_F(KernelSessionTest, AResetFreesOldChannelsOnceAndTheOldCloseTakesNothingBack) {
  startDevice();
  KernelSession* old = open();
  KernelSession* requester = open();
  ASSERT_EQ(reserve(old, 0x30), 0);
  EXPECT_EQ(reset(requester, 20), kFullStartCode);
  EXPECT_EQ(reserved(), 0u) << "teardown ran the old session's cleanup";
  KernelSession* fresh = open();
  ASSERT_EQ(reserve(fresh, 0x30), 0);
  close(old);
  close(requester);
  EXPECT_EQ(reserved(), 0x30u) << "the new holder keeps them";
  close(fresh);
  EXPECT_EQ(reserved(), 0u);
}

TEST_F(KernelSessionTest, ASessionWithoutAHardwareOwnerGivesItsChannelsBackAtClose) {
  startDevice();
  KernelSession* requester = open();
  EXPECT_EQ(reset(requester, 0), kSetupStopped);
  ASSERT_EQ(device->getHardwareOwner(), nullptr);
  // Opened while nothing is set up: no owner ever hears of it.
  KernelSession* orphan = open();
  ASSERT_EQ(reserve(orphan, 0x700), 0);
  KernelSession* second = open();
  EXPECT_EQ(reset(second, 20), kFullStartCode);
  EXPECT_EQ(reserved(), 0x700u) << "the teardown did not know the session";
  close(orphan);
  EXPECT_EQ(reserved(), 0u) << "an invalid session's close still releases what it holds";
  close(requester);
  close(second);
}

// Routing needs level 19: below it a session is never routed.
TEST_F(KernelSessionTest, NoRoutingSessionBelowNineteen) {
  startDevice();
  KernelSession* resetter = open();
  reset(resetter, QuillHelper::kRoutingLevel - 1);
  close(resetter);
  ASSERT_LT(level(), QuillHelper::kRoutingLevel);
  QuillHelper* owner = device->getHardwareOwner();
  KernelSession* session = open();
  EXPECT_EQ(session->getRoutingSession(), nullptr);
  EXPECT_EQ(owner->getRoutingResourcesManager(), nullptr) << "the routing objects come at level 19";
  close(session);
}

TEST_F(KernelSessionTest, AnOpenThatRunsOutOfMemoryLeavesNothingBehind) {
  startDevice();
  const uint64_t mutexes = kalsim::liveMutexes();
  const uint64_t spinLocks = kalsim::liveSpinLocks();
  testsupport::forEveryAllocationFailure([&](testsupport::AllocationFailure& failure) {
    int64_t code = 0;
    KernelSession* session = open(&code);
    failure.disarm();
    const uint32_t nth = failure.nth();
    if (session != nullptr && code == 0) {
      EXPECT_EQ(device->getOpenSessions(), 1u) << nth;
      close(session);
      return;
    }
    EXPECT_TRUE(failure.hit()) << nth;
    EXPECT_EQ(session, nullptr) << nth;
    EXPECT_EQ(code, -52000) << nth;
    EXPECT_EQ(device->getOpenSessions(), 0u) << nth;
    EXPECT_EQ(kalsim::liveMutexes(), mutexes) << nth;
    EXPECT_EQ(kalsim::liveSpinLocks(), spinLocks) << nth;
  });
  // The sweep covered the routing session's making wherever start-up builds
  // the routing objects.
  EXPECT_EQ(device->getHardwareOwner()->getRoutingResourcesManager() != nullptr,
            level() >= QuillHelper::kRoutingLevel);
}

}  // namespace
}  // namespace quilltest
