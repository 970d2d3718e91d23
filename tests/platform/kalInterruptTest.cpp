// The stand-in layer's interrupt routines, deferred calls and kernel threads:
// the properties the driver's interrupt path relies on (a deferred call never
// runs beside itself, relinquish and destroy wait for what runs, threads are
// real, named and joinable).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "kal/include/kalPci.h"
#include "kal/include/kalStandIn.h"
#include "kal/include/nKIVKAL.h"

namespace {

class KalInterrupts : public ::testing::Test {
 protected:
  void SetUp() override { kalsim::reset(); }
  void TearDown() override { kalsim::reset(); }
};

struct SlowCall {
  std::atomic<int> inside{0};
  std::atomic<int> most{0};
  std::atomic<int> runs{0};
  std::atomic<bool> release{false};
};

void slowRoutine(void* argument) {
  SlowCall* call = static_cast<SlowCall*>(argument);
  const int now = ++call->inside;
  int seen = call->most.load();
  while (now > seen && !call->most.compare_exchange_weak(seen, now)) {
  }
  while (!call->release.load()) std::this_thread::yield();
  ++call->runs;
  --call->inside;
}

TEST_F(KalInterrupts, DeferredCallScheduledWhileItRunsRunsAgainAfterwardsNeverBesideItself) {
  SlowCall call;
  void* dpc = nKIVKAL100_createDPC(slowRoutine);
  nKIVKAL100_scheduleDPC(dpc, &call);
  std::thread first([] { kalsim::runPendingDPCs(); });
  while (call.inside.load() == 0) std::this_thread::yield();
  // Scheduled twice while running: queued once; a second runner leaves it.
  nKIVKAL100_scheduleDPC(dpc, &call);
  nKIVKAL100_scheduleDPC(dpc, &call);
  EXPECT_EQ(kalsim::pendingDPCs(), 1u);
  EXPECT_EQ(kalsim::runPendingDPCs(), 0u);
  call.release = true;
  first.join();
  EXPECT_EQ(call.runs.load(), 2);
  EXPECT_EQ(call.most.load(), 1);
  EXPECT_EQ(kalsim::pendingDPCs(), 0u);
  nKIVKAL100_destroyDPC(dpc);
  EXPECT_EQ(kalsim::liveDPCs(), 0u);
}

TEST_F(KalInterrupts, DestroyingADeferredCallWaitsForARunningOne) {
  SlowCall call;
  void* dpc = nKIVKAL100_createDPC(slowRoutine);
  nKIVKAL100_scheduleDPC(dpc, &call);
  std::thread runner([] { kalsim::runPendingDPCs(); });
  while (call.inside.load() == 0) std::this_thread::yield();
  std::atomic<bool> destroyed{false};
  std::thread destroyer([&] {
    nKIVKAL100_destroyDPC(dpc);
    destroyed = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(destroyed.load());
  call.release = true;
  runner.join();
  destroyer.join();
  EXPECT_TRUE(destroyed.load());
  EXPECT_EQ(call.runs.load(), 1);
}

struct SlowHandler {
  SlowCall call;
  static int32_t routine(void* context) {
    slowRoutine(&static_cast<SlowHandler*>(context)->call);
    return 1;
  }
};

TEST_F(KalInterrupts, RoutinesRunOneAtATimeAndRelinquishWaitsForARunningOne) {
  SlowHandler handler;
  nKIVKAL_tInterruptCallback pair{&SlowHandler::routine, &handler};
  ASSERT_EQ(nKIVKAL1400_reserveInterrupt(9, &pair, "vorlan_driver", 1), 0);
  std::thread a([] { kalsim::raiseInterrupt(9); });
  std::thread b([] { kalsim::raiseInterrupt(9); });
  while (handler.call.inside.load() == 0) std::this_thread::yield();
  std::atomic<bool> relinquished{false};
  std::thread owner([&] {
    nKIVKAL100_relinquishInterrupt(9, &pair);
    relinquished = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(relinquished.load());
  handler.call.release = true;
  a.join();
  b.join();
  owner.join();
  EXPECT_TRUE(relinquished.load());
  EXPECT_EQ(handler.call.most.load(), 1);
  EXPECT_EQ(kalsim::raiseInterrupt(9), -1);
}

TEST_F(KalInterrupts, KernelThreadsAreRealNamedJoinableAndCanBeRefused) {
  std::atomic<std::thread::id> ranOn{};
  void* thread = nKIVKAL250_createNamedThread(
      "vorlan_driver",
      [](void* context) { static_cast<std::atomic<std::thread::id>*>(context)->store(std::this_thread::get_id()); },
      &ranOn);
  ASSERT_NE(thread, nullptr);
  EXPECT_EQ(kalsim::liveThreads(), 1u);
  nKIVKAL200_joinThread(thread);
  EXPECT_NE(ranOn.load(), std::thread::id{});
  EXPECT_NE(ranOn.load(), std::this_thread::get_id());
  EXPECT_EQ(kalsim::liveThreads(), 0u);
  EXPECT_EQ(kalsim::createdThreadNames(), std::vector<std::string>{"vorlan_driver"});

  kalsim::failThreadCreation(1);
  EXPECT_EQ(nKIVKAL250_createNamedThread("vorlan_driver", [](void*) {}, nullptr), nullptr);
  EXPECT_EQ(kalsim::liveThreads(), 0u);
}

}  // namespace
