#include <gtest/gtest.h>

#include "device/SetupLevel.h"
#include "framework/kdut/IOGate.h"
#include "framework/kdut/SetupLevelIOGateSentry.h"
#include "tests/framework/QuillDeviceFixture.h"

namespace quilltest {
namespace {

typedef kdut::SetupTracker<vorlan_shared::SetupLevel> tTracker;

int64_t enterSentry(const tTracker& tracker, uint32_t required, int64_t incoming = 0) {
  tStatus status;
  if (incoming != 0) vorlanSetCode(status, incoming);
  kdut::SetupLevelIOGateSentry<vorlan_shared::SetupLevel> sentry(&tracker, required);
  sentry.onEnterIOGate(status);
  return status.getCode();
}

TEST(SetupLevelSentry, ComparesLevelsAndCarriesTheTrackersCode) {
  tTracker tracker;
  tracker.resetToTarget(20);
  for (uint32_t level = 1; level <= 9; ++level) tracker.advanceTo(level);
  vorlanSetCode(tracker.getSetupStatus(), -52013);

  EXPECT_EQ(enterSentry(tracker, 9), 0) << "equal level passes";
  EXPECT_EQ(enterSentry(tracker, 0), 0);
  EXPECT_EQ(enterSentry(tracker, 10), -52013) << "one above carries what stopped the setup";
  EXPECT_EQ(enterSentry(tracker, 10, -52022), -52022) << "an earlier failure is left alone";
  // Compared as signed levels: a huge level is below every real one.
  EXPECT_EQ(enterSentry(tracker, 0xFFFFFFFFu), 0);
}

TEST(SetupLevelSentry, BelowTheLevelWithACleanTrackerStillRefuses) {
  tTracker tracker;
  tracker.resetToTarget(20);  // nothing set up, nothing recorded
  EXPECT_EQ(enterSentry(tracker, 5), kSetupStopped);
  EXPECT_EQ(enterSentry(tracker, 0), 0);
}

class IOGateTest : public QuillDeviceTest {};

TEST_F(IOGateTest, AfterAResetBelowTheTopANewSessionPassesOnlyUpToItsTarget) {
  startDevice();
  KernelSession* requester = open();
  const uint32_t target = kTopLevel - 1;
  EXPECT_EQ(reset(requester, target), kSetupStopped);
  EXPECT_EQ(level(), target);
  KernelSession* fresh = open();
  ASSERT_NE(fresh, nullptr);
  struct Case {
    uint32_t required;
    int64_t code;
  };
  for (const Case& c :
       {Case{0, 0}, Case{target, 0}, Case{target + 1, kSetupStopped}, Case{20, kSetupStopped}}) {
    EXPECT_EQ(request(fresh, c.required), c.code) << "level " << c.required;
  }
  close(fresh);
  close(requester);
}

TEST_F(IOGateTest, AFailedSetupIsWhatRequestsAboveItsLevelSee) {
  constexpr int64_t kRevisionTooNew = vorlan_driver::statusCodes::fromWord(0xBFFA902Du);
  board.setOldestCompatibleBoardRevision(9);
  startDevice();
  EXPECT_EQ(level(), 2u);
  KernelSession* session = open();
  ASSERT_NE(session, nullptr) << "an open passes even while setup has failed";
  EXPECT_EQ(request(session, 2), 0);
  EXPECT_EQ(request(session, 3), kRevisionTooNew);
  EXPECT_EQ(request(session, 20), kRevisionTooNew);
  close(session);
}

TEST_F(IOGateTest, ASessionFromBeforeTheLastResetFailsBeforeAnyLevelCheck) {
  startDevice();
  KernelSession* old = open();
  KernelSession* requester = open();
  EXPECT_EQ(request(old, kTopLevel), 0);
  EXPECT_EQ(reset(requester, 1), kSetupStopped);
  // Level 20 is out of reach, yet the invalidation is what is reported.
  EXPECT_EQ(request(old, 20), kInvalidated);
  EXPECT_EQ(request(old, 0), kInvalidated);
  EXPECT_EQ(request(requester, 0), kInvalidated) << "the session that asked for the reset too";
  close(old);
  close(requester);
}

TEST_F(IOGateTest, AnEnteredGateHoldsItsReferenceEvenWhenASentryRefuses) {
  startDevice();
  KernelSession* requester = open();
  EXPECT_EQ(reset(requester, 1), kSetupStopped);
  KernelSession* session = open();
  {
    tStatus status;
    tRequestGate gate(device, session, &device->getSetupTracker(), 20, status);
    EXPECT_EQ(status.getCode(), kSetupStopped);
    EXPECT_TRUE(gate.isEntered());
    EXPECT_EQ(device->getRequestsInFlight(), 1u);
    EXPECT_EQ(session->getRequestsInFlight(), 1u);
  }
  EXPECT_EQ(device->getRequestsInFlight(), 0u);
  EXPECT_EQ(session->getRequestsInFlight(), 0u);
  close(session);
  close(requester);
}

TEST_F(IOGateTest, AGateAllocatesNothingAndOneThatCannotEnterTakesNothing) {
  startDevice();
  KernelSession* session = open();
  {
    // The sentries live inside the gate: a request's gate reaches no heap.
    tStatus status;
    const uint64_t calls = kalsim::allocationCallsOnThisThread();
    tRequestGate gate(device, session, &device->getSetupTracker(), 0, status);
    EXPECT_EQ(kalsim::allocationCallsOnThisThread(), calls);
    EXPECT_EQ(status.getCode(), 0);
    EXPECT_TRUE(gate.isEntered());
  }
  EXPECT_EQ(device->getRequestsInFlight(), 0u);
  close(session);
  removeDevice();
  {
    tStatus status;
    tRequestGate gate(device, nullptr, &device->getSetupTracker(), 0, status);
    EXPECT_EQ(status.getCode(), -52022) << "a removed device accepts no I/O";
    EXPECT_FALSE(gate.isEntered());
  }
  EXPECT_EQ(device->getRequestsInFlight(), 0u);
}

}  // namespace
}  // namespace quilltest
