// The stand-in layer's clock and single-use events, which the semaphore and
// every time-out of the driver rely on.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "kal/include/kalStandIn.h"
#include "kal/include/nKIVKAL.h"

namespace {

class KalClock : public ::testing::Test {
 protected:
  void SetUp() override { kalsim::reset(); }
  void TearDown() override { kalsim::reset(); }
};

TEST_F(KalClock, VirtualReadsAndSleepsMoveTimeOnAndSleepsAreLogged) {
  ASSERT_TRUE(kalsim::isVirtualClock());
  EXPECT_EQ(nKIVKAL100_getTimerInterval(), kalsim::kTickMicroseconds);
  EXPECT_EQ(nKIVKAL1_getMonotonicCounter(), 1000u);
  EXPECT_EQ(nKIVKAL1_getMonotonicCounter(), 2000u);
  nKIVKAL250_sleepTimeout(2000);
  nKIVKAL250_sleepTimeout(0);
  nKIVKAL250_sleepTimeout(-5);
  EXPECT_EQ(kalsim::virtualNanoseconds(), 2002000u);
  EXPECT_EQ(kalsim::sleepCalls(), (std::vector<int32_t>{2000, 0, -5}));

  kalsim::advanceVirtualClock(uint64_t{kalsim::kTickMicroseconds} * 1000 * 3);
  // 12,002,000 ns plus this read's quantum is three whole ticks.
  EXPECT_EQ(nKIVKAL110_getTimerCount(), 3u);

  uint32_t seconds = 0;
  uint32_t microseconds = 0;
  nKIVKAL100_getTimeOfDay(&seconds, &microseconds);
  const uint32_t before = seconds;
  kalsim::advanceVirtualClock(1500000000);
  nKIVKAL100_getTimeOfDay(&seconds, &microseconds);
  EXPECT_EQ(seconds - before, 1u);
  EXPECT_LT(microseconds, 1000000u);

  kalsim::reset();
  EXPECT_EQ(kalsim::virtualNanoseconds(), 0u);
  EXPECT_TRUE(kalsim::sleepCalls().empty());
}

TEST_F(KalClock, TheSleepRecordKeepsTheFirstSleepsButCountsEveryOne) {
  // A start-up polls far more often than any test reads back; the record
  // must not grow with it, yet the count stays exact.
  const size_t total = kalsim::kSleepRecordCapacity * 3 + 7;
  for (size_t i = 0; i < total; ++i) nKIVKAL250_sleepTimeout(static_cast<int32_t>(i));
  const std::vector<int32_t> sleeps = kalsim::sleepCalls();
  ASSERT_EQ(sleeps.size(), kalsim::kSleepRecordCapacity);
  EXPECT_EQ(sleeps.front(), 0);
  EXPECT_EQ(sleeps.back(), static_cast<int32_t>(kalsim::kSleepRecordCapacity - 1));
  EXPECT_EQ(kalsim::sleepCount(), total);

  kalsim::clearSleepCalls();
  nKIVKAL250_sleepTimeout(9);
  EXPECT_EQ(kalsim::sleepCalls(), (std::vector<int32_t>{9}));
  EXPECT_EQ(kalsim::sleepCount(), 1u);
}

TEST_F(KalClock, RealClockFollowsTheMachine) {
  kalsim::useRealClock();
  const uint64_t virtualBefore = kalsim::virtualNanoseconds();
  const uint64_t first = nKIVKAL1_getMonotonicCounter();
  nKIVKAL250_sleepTimeout(2000);
  const uint64_t second = nKIVKAL1_getMonotonicCounter();
  EXPECT_GE(second - first, 2000000u);
  EXPECT_EQ(kalsim::virtualNanoseconds(), virtualBefore);
}

struct CallbackProbe {
  nKIVKAL_tSingleUseEvent* event;
  std::atomic<int> calls{0};
  bool releases = true;
};

void probeCallback(void* context) {
  CallbackProbe* probe = static_cast<CallbackProbe*>(context);
  ++probe->calls;
  if (probe->releases) nKIVKAL100_releaseSingleUseEvent(probe->event);
}

class KalEvent : public KalClock {
 protected:
  nKIVKAL_tSingleUseEvent event_;
  CallbackProbe probe_;
  nKIVKAL_tTimeoutCallback callback_ = {probeCallback, &probe_};

  void SetUp() override {
    KalClock::SetUp();
    nKIVKAL100_initializeSingleUseEvent(&event_);
    probe_.event = &event_;
  }
};

using TimedWait = int32_t (*)(nKIVKAL_tSingleUseEvent*, uint32_t, const nKIVKAL_tTimeoutCallback*);
const TimedWait kTimedWaits[] = {nKIVKAL100_waitForSingleUseEventTimeout,
                                 nKIVKAL100_waitForSingleUseEventTimeoutInterruptible};

TEST_F(KalEvent, AReleaseBeforeTheWaitLetsEveryKindOfWaitReturnAtOnce) {
  nKIVKAL100_releaseSingleUseEvent(&event_);
  nKIVKAL100_waitForSingleUseEvent(&event_);
  EXPECT_EQ(nKIVKAL100_waitForSingleUseEventInterruptible(&event_), 0);
  for (TimedWait wait : kTimedWaits) EXPECT_EQ(wait(&event_, 50, &callback_), 0);
  EXPECT_EQ(probe_.calls, 0);
  EXPECT_EQ(kalsim::virtualNanoseconds(), 0u);
}

TEST_F(KalEvent, AnExpiredVirtualWaitLastsItsTimeOutAndCallsTheCallbackOnce) {
  for (TimedWait wait : kTimedWaits) {
    kalsim::reset();
    nKIVKAL100_initializeSingleUseEvent(&event_);
    probe_.calls = 0;
    EXPECT_GE(wait(&event_, 250, &callback_), 0);
    EXPECT_EQ(probe_.calls, 1);
    EXPECT_EQ(kalsim::virtualNanoseconds(), 250000000u);
  }
}

TEST_F(KalEvent, AfterTheCallbackTheWaitWaitsForTheReleaseItDidNotMake) {
  kalsim::useRealClock();
  probe_.releases = false;
  std::atomic<bool> returned{false};
  std::thread waiter([&] {
    nKIVKAL100_waitForSingleUseEventTimeout(&event_, 1, &callback_);
    returned = true;
  });
  while (probe_.calls == 0) std::this_thread::yield();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(returned);
  nKIVKAL100_releaseSingleUseEvent(&event_);
  waiter.join();
  EXPECT_TRUE(returned);
  EXPECT_EQ(probe_.calls, 1);
}

TEST_F(KalEvent, ARealTimedWaitReleasedInTimeNeverCallsTheCallback) {
  kalsim::useRealClock();
  std::thread releaser([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    nKIVKAL100_releaseSingleUseEvent(&event_);
  });
  EXPECT_EQ(nKIVKAL100_waitForSingleUseEventTimeout(&event_, 60000, &callback_), 0);
  releaser.join();
  EXPECT_EQ(probe_.calls, 0);
}

TEST_F(KalEvent, ASignalEndsTheCurrentInterruptibleWaitOnce) {
  kalsim::useRealClock();
  std::promise<void*> handle;
  std::atomic<int32_t> first{1};
  std::thread waiter([&] {
    handle.set_value(nKIVKAL100_getThreadHandle());
    first = nKIVKAL100_waitForSingleUseEventInterruptible(&event_);
    // The signal was consumed: this wait lasts until the release.
    EXPECT_EQ(nKIVKAL100_waitForSingleUseEventInterruptible(&event_), 0);
  });
  void* thread = handle.get_future().get();
  std::this_thread::sleep_for(std::chrono::milliseconds(10));
  kalsim::interruptThread(thread);
  while (first == 1) std::this_thread::yield();
  EXPECT_EQ(first.load(), nKIVKAL_WAIT_INTERRUPTED);
  nKIVKAL100_releaseSingleUseEvent(&event_);
  waiter.join();
}

TEST_F(KalEvent, APendingSignalEndsTheNextInterruptibleWaitButLosesToARelease) {
  void* self = nKIVKAL100_getThreadHandle();
  kalsim::interruptThread(self);
  // Waits that cannot be interrupted leave the signal pending.
  nKIVKAL100_releaseSingleUseEvent(&event_);
  nKIVKAL100_waitForSingleUseEvent(&event_);
  EXPECT_EQ(nKIVKAL100_waitForSingleUseEventInterruptible(&event_), 0);

  nKIVKAL_tSingleUseEvent fresh;
  nKIVKAL100_initializeSingleUseEvent(&fresh);
  EXPECT_EQ(nKIVKAL100_waitForSingleUseEventTimeoutInterruptible(&fresh, 100, &callback_),
            nKIVKAL_WAIT_INTERRUPTED);
  EXPECT_EQ(probe_.calls, 0);
  EXPECT_EQ(kalsim::virtualNanoseconds(), 0u);

  kalsim::interruptThread(self);
  kalsim::reset();
  probe_.event = &fresh;
  EXPECT_EQ(nKIVKAL100_waitForSingleUseEventTimeoutInterruptible(&fresh, 100, &callback_), 0);
  EXPECT_EQ(probe_.calls, 1);
}

}  // namespace
