#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "kal/include/kalStandIn.h"
#include "kal/include/nKIVKAL.h"
#include "platform/status/statusCodes.h"
#include "platform/synchronization/kivatomicopInteger.h"
#include "platform/synchronization/tSemaphore.h"

using nKIVAPALS100::tStatus;
using vorlan_driver::nKIVAPAL000::tSemaphore;
namespace codes = vorlan_driver::statusCodes;

namespace {

class Semaphore : public ::testing::Test {
 protected:
  void SetUp() override { kalsim::reset(); }
  void TearDown() override { kalsim::reset(); }

  static void waitForWaiters(tSemaphore& semaphore, uint32_t waiters) {
    while (semaphore.getWaiterCount() != waiters) std::this_thread::yield();
  }
};

// A thread that waits on the semaphore and reports what the wait gave.
class WaitingThread {
 public:
  WaitingThread(tSemaphore& semaphore, uint64_t timeout, bool interruptible) {
    std::future<void*> handleFuture = handlePromise_.get_future();
    thread_ = std::thread([this, &semaphore, timeout, interruptible] {
      handlePromise_.set_value(nKIVKAL100_getThreadHandle());
      tStatus status;
      result_ = semaphore.acquire(timeout, interruptible, status);
      code_ = status.getCode();
      done_ = true;
    });
    handle_ = handleFuture.get();
  }
  ~WaitingThread() {
    if (thread_.joinable()) thread_.join();
  }
  void join() { thread_.join(); }
  bool done() const { return done_; }
  bool result() const { return result_; }
  int64_t code() const { return code_; }
  void* handle() const { return handle_; }

 private:
  std::promise<void*> handlePromise_;
  std::thread thread_;
  void* handle_ = nullptr;
  std::atomic<bool> done_{false};
  std::atomic<bool> result_{false};
  std::atomic<int64_t> code_{1};
};

TEST_F(Semaphore, TryTakesAnAvailableUnitOrFailsWithoutBlocking) {
  struct Case {
    uint32_t initial;
    bool taken;
    int64_t code;
    uint32_t left;
  };
  const Case cases[] = {{0, false, codes::kTimeout, 0}, {1, true, 0, 0}, {2, true, 0, 1}};
  for (const Case& c : cases) {
    tStatus status;
    tSemaphore semaphore(c.initial, status);
    ASSERT_EQ(status.getCode(), 0);
    EXPECT_EQ(semaphore.acquire(tSemaphore::kTryOnly, false, status), c.taken) << c.initial;
    EXPECT_EQ(status.getCode(), c.code) << c.initial;
    EXPECT_EQ(semaphore.getCount(), c.left) << c.initial;
    EXPECT_EQ(semaphore.getWaiterCount(), 0u);
  }
}

TEST_F(Semaphore, AReleaseWithoutWaitersIsKeptForTheNextAcquire) {
  tStatus status;
  tSemaphore semaphore(0, status);
  semaphore.release();
  EXPECT_EQ(semaphore.getCount(), 1u);
  EXPECT_TRUE(semaphore.acquire(tSemaphore::kWaitForever, false, status));
  EXPECT_EQ(semaphore.getCount(), 0u);
  semaphore.release();
  semaphore.acquire();
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(semaphore.getCount(), 0u);
}

TEST_F(Semaphore, AnErrorStatusShortCutsWithoutTouchingTheSemaphore) {
  tStatus status;
  tSemaphore semaphore(1, status);
  vorlanSetCode(status, codes::kInvalidArgument);
  for (uint64_t timeout : {tSemaphore::kTryOnly, uint64_t{100}, tSemaphore::kWaitForever}) {
    EXPECT_FALSE(semaphore.acquire(timeout, true, status));
    EXPECT_EQ(status.getCode(), codes::kInvalidArgument);
    EXPECT_EQ(semaphore.getCount(), 1u);
  }
}

TEST_F(Semaphore, AnExpiredTimedWaitFailsAndLeavesTheSemaphoreAsItWas) {
  for (bool interruptible : {false, true}) {
    kalsim::reset();
    tStatus status;
    tSemaphore semaphore(0, status);
    EXPECT_FALSE(semaphore.acquire(250, interruptible, status));
    EXPECT_EQ(status.getCode(), codes::kTimeout);
    EXPECT_EQ(semaphore.getCount(), 0u);
    EXPECT_EQ(semaphore.getWaiterCount(), 0u);
    // The time-out is in the layer's unit for timed waits: milliseconds.
    EXPECT_EQ(kalsim::virtualNanoseconds(), 250000000u);
    // The expired waiter is gone: the next release is kept as a unit.
    semaphore.release();
    EXPECT_EQ(semaphore.getCount(), 1u);
  }
}

TEST_F(Semaphore, OnlyTheLowWordOfTheTimeOutReachesTheLayer) {
  tStatus status;
  tSemaphore semaphore(0, status);
  EXPECT_FALSE(semaphore.acquire((uint64_t{1} << 32) | 7, false, status));
  EXPECT_EQ(status.getCode(), codes::kTimeout);
  EXPECT_EQ(kalsim::virtualNanoseconds(), 7000000u);
}

TEST_F(Semaphore, ATimedWaitReleasedInTimeSucceeds) {
  kalsim::useRealClock();
  tStatus status;
  tSemaphore semaphore(0, status);
  WaitingThread waiter(semaphore, 600000, false);
  waitForWaiters(semaphore, 1);
  semaphore.release();
  waiter.join();
  EXPECT_TRUE(waiter.result());
  EXPECT_EQ(waiter.code(), 0);
  EXPECT_EQ(semaphore.getCount(), 0u);
}

TEST_F(Semaphore, TwoWaitersAreServedInTheOrderTheyStartedWaiting) {
  kalsim::useRealClock();
  tStatus status;
  tSemaphore semaphore(0, status);
  WaitingThread first(semaphore, tSemaphore::kWaitForever, false);
  waitForWaiters(semaphore, 1);
  WaitingThread second(semaphore, tSemaphore::kWaitForever, true);
  waitForWaiters(semaphore, 2);

  semaphore.release();
  first.join();
  EXPECT_TRUE(first.result());
  EXPECT_FALSE(second.done());
  EXPECT_EQ(semaphore.getWaiterCount(), 1u);
  EXPECT_EQ(semaphore.getCount(), 0u);

  semaphore.release();
  second.join();
  EXPECT_TRUE(second.result());
  EXPECT_EQ(second.code(), 0);
  EXPECT_EQ(semaphore.getCount(), 0u);
  EXPECT_EQ(semaphore.getWaiterCount(), 0u);
}

TEST_F(Semaphore, AnInterruptedWaitFailsAndTheNextReleaseGoesToTheNextWaiter) {
  kalsim::useRealClock();
  tStatus status;
  tSemaphore semaphore(0, status);
  WaitingThread interrupted(semaphore, tSemaphore::kWaitForever, true);
  waitForWaiters(semaphore, 1);
  WaitingThread patient(semaphore, tSemaphore::kWaitForever, false);
  waitForWaiters(semaphore, 2);

  kalsim::interruptThread(interrupted.handle());
  interrupted.join();
  EXPECT_FALSE(interrupted.result());
  EXPECT_EQ(interrupted.code(), codes::kWaitInterrupted);
  EXPECT_EQ(semaphore.getWaiterCount(), 1u);

  semaphore.release();
  patient.join();
  EXPECT_TRUE(patient.result());
  EXPECT_EQ(semaphore.getCount(), 0u);

  // With nobody waiting, a release raises the count.
  semaphore.release();
  EXPECT_EQ(semaphore.getCount(), 1u);
}

TEST_F(Semaphore, AnInterruptedTimedWaitFailsWithTheInterruption) {
  kalsim::useRealClock();
  tStatus status;
  tSemaphore semaphore(0, status);
  WaitingThread waiter(semaphore, 600000, true);
  waitForWaiters(semaphore, 1);
  kalsim::interruptThread(waiter.handle());
  waiter.join();
  EXPECT_FALSE(waiter.result());
  EXPECT_EQ(waiter.code(), codes::kWaitInterrupted);
  EXPECT_EQ(semaphore.getWaiterCount(), 0u);
  EXPECT_EQ(semaphore.getCount(), 0u);
}

TEST_F(Semaphore, TheStatuslessAcquireWaitsForARelease) {
  kalsim::useRealClock();
  tStatus status;
  tSemaphore semaphore(0, status);
  std::atomic<bool> taken{false};
  std::thread waiter([&] {
    semaphore.acquire();
    taken = true;
  });
  waitForWaiters(semaphore, 1);
  EXPECT_FALSE(taken);
  semaphore.release();
  waiter.join();
  EXPECT_TRUE(taken);
  EXPECT_EQ(semaphore.getCount(), 0u);
}

TEST_F(Semaphore, ConstructionRunsEvenAfterAnErrorAndReportsAMissingSpinLock) {
  {
    tStatus status;
    vorlanSetCode(status, codes::kNotFound);
    tSemaphore semaphore(0, status);
    EXPECT_EQ(kalsim::liveSpinLocks(), 1u);
    EXPECT_EQ(status.getCode(), codes::kNotFound);
  }
  EXPECT_EQ(kalsim::liveSpinLocks(), 0u);

  kalsim::failSpinLockCreation(1);
  nKIVAPALS100::tStatusExtended status;
  tSemaphore semaphore(3, status);
  EXPECT_EQ(status.getCode(), codes::kOutOfMemory);
  EXPECT_STREQ(status.getFile(), "platform/synchronization/tSemaphore.cpp");
  EXPECT_EQ(kalsim::liveSpinLocks(), 0u);
}

TEST(AtomicInteger, InterlockedChangesFromManyThreadsAreAllCounted) {
  kivatomicop::Integer<unsigned int> counter;
  EXPECT_EQ(counter.getValue(), 0u);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&counter] {
      for (int i = 0; i < 10000; ++i) {
        counter.increment();
        counter.add(2);
        counter.decrement();
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(counter.getValue(), 80000u);
  EXPECT_EQ(counter.compareExchange(1, 5), 80000u);
  EXPECT_EQ(counter.compareExchange(80000, 5), 80000u);
  EXPECT_EQ(counter.getValue(), 5u);
  EXPECT_EQ(counter.decrement(), 4u);
}

}  // namespace
