// The interrupt path from the bridge's queue to a DMA wait: the primary
// routine, the deferred call that drains the queue, the work-queue thread, and
// the waits it ends, in line and message-signalled modes.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "dma/interrupt/DMAInterruptController.h"
#include "dma/interrupt/InterruptController.h"
#include "kal/include/kalPci.h"
#include "kal/include/kalStandIn.h"
#include "simboard/SimBoard.h"
#include "tests/platform/pciTestSupport.h"

namespace {

using simboard::Access;
using simboard::Direction;
using tarntools::InterruptController;
using vorlan_driver::DMAInterruptController;
using vorlan_driver::nKIVAPAL000::tPCIDescription;
using vorlan_driver::nKIVAPAL000::tPCIDevice;
using nKIVAPALS100::tStatus;

constexpr uint32_t kLine = 17;
constexpr int64_t kCancelled = static_cast<int32_t>(0xBFFA40E4u);
constexpr int64_t kDeviceReset = static_cast<int32_t>(0xBFFA9179u);

// A channel's transfer count and threshold, as a wait sees them.
class FakeStream : public tarntools::DMAStreamInterface {
 public:
  void addCredit(uint32_t, tStatus&) override {}
  void setThreshold(uint64_t threshold, tStatus&) override { threshold_ = threshold; }
  uint64_t getTransferCount(tStatus&) override { return count.load(); }
  void enableThresholdInterrupt() override { enabled = true; }
  void disableThresholdInterrupt() override { enabled = false; }
  std::atomic<uint64_t> count{0};
  std::atomic<uint64_t> threshold_{0};
  std::atomic<bool> enabled{false};
};

class InterruptPath : public ::testing::Test {
 protected:
  void SetUp() override {
    kalsim::reset();
    kalsim::PciFunctionSetup setup;
    setup.lineInterrupt = kLine;
    description_ = pcitest::describe(kalsim::addPciFunction(setup));
    board_ = std::make_unique<simboard::SimBoard>();
    bridge_ = static_cast<volatile uint8_t*>(board_->bar0());
    board_->bridgeCore().interrupts().onDeliver([this] { kalsim::raiseInterrupt(irq_); });
  }
  void TearDown() override {
    dma_.reset();
    controller_.reset();
    device_.reset();
    kalsim::reset();
  }

  void build(bool msi) {
    if (msi) {
      description_.msiGranted = 1;
      board_->bridgeCore().interrupts().setMessageSignalled(true);
    }
    tStatus status;
    device_ = std::make_unique<tPCIDevice>(description_, status);
    ASSERT_EQ(status.getCode(), 0);
    controller_ = std::make_unique<InterruptController>(*device_, bridge_, status);
    ASSERT_EQ(status.getCode(), 0);
    ASSERT_EQ(kalsim::reservedInterrupts().size(), 1u);
    irq_ = kalsim::reservedInterrupts()[0].interrupt;
    dma_ = std::make_unique<DMAInterruptController>(*controller_, bridge_, status);
    ASSERT_EQ(status.getCode(), 0);
  }

  // The 32-bit bridge interrupt accesses since the last clear.
  std::vector<Access> bridgeTrace() const {
    std::vector<Access> out;
    for (const Access& a : board_->accessLog()) {
      if (a.offset == 0x5C || a.offset == 0x60 || a.offset == 0x68) out.push_back(a);
    }
    return out;
  }

  // Waits on a thread of its own; the test steps the "engine".
  struct Waiter {
    std::thread thread;
    std::atomic<bool> done{false};
    bool timedOut = false;
    tStatus status;
  };
  void startWait(Waiter& w, FakeStream& stream, uint32_t channel, uint64_t bytes, uint32_t timeout) {
    w.thread = std::thread([&, channel, bytes, timeout] {
      dma_->waitForDMA(stream, channel, 0, bytes, timeout, w.timedOut, w.status);
      w.done = true;
    });
    while (!stream.enabled.load()) std::this_thread::yield();
  }

  tPCIDescription description_{};
  std::unique_ptr<simboard::SimBoard> board_;
  volatile uint8_t* bridge_ = nullptr;
  uint32_t irq_ = kLine;
  std::unique_ptr<tPCIDevice> device_;
  std::unique_ptr<InterruptController> controller_;
  std::unique_ptr<DMAInterruptController> dma_;
};

Access w(uint64_t offset, uint64_t value) { return {offset, 32, Direction::kWrite, value}; }
Access r(uint64_t offset, uint64_t value) { return {offset, 32, Direction::kRead, value}; }

TEST_F(InterruptPath, LineModeTraceFromBuildToTeardownWithTheQueueDrainedAndSkippedEntries) {
  board_->clearAccessLog();
  build(false);
  EXPECT_EQ(kalsim::createdThreadNames(), std::vector<std::string>{"vorlan_driver"});
  EXPECT_EQ(bridgeTrace(), (std::vector<Access>{w(0x5C, 0x54000500), w(0x5C, 0x94000500), w(0x5C, 0x80000000),
                                                w(0x5C, 0x80000000), w(0x5C, 0x80000200)}));
  FakeStream stream;
  Waiter waiter;
  startWait(waiter, stream, 5, 100, 0xFFFFFFFF);
  board_->clearAccessLog();
  simboard::BridgeInterruptQueue& irq = board_->bridgeCore().interrupts();
  irq.push(0x00000123);  // not a notification: skipped
  irq.post(9);           // nobody waits: a trace line
  stream.count = 100;
  irq.post(5);
  EXPECT_EQ(irq.deliverInterrupts(), 1u);
  EXPECT_EQ(bridgeTrace(), (std::vector<Access>{r(0x60, 0x80000000), w(0x5C, 0x40000000), r(0x68, 0x40000123),
                                                r(0x68, 0x50000009), r(0x68, 0x10000005), w(0x5C, 0x80000000)}));
  waiter.thread.join();
  EXPECT_EQ(waiter.status.getCode(), 0);
  EXPECT_FALSE(waiter.timedOut);
  EXPECT_FALSE(stream.enabled.load());
  EXPECT_EQ(stream.threshold_.load(), 100u);
  const std::vector<std::string> lines = kalsim::printedLines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Interrupt handled, but no work was done\n"), lines.end());

  board_->clearAccessLog();
  dma_.reset();
  controller_.reset();
  EXPECT_EQ(bridgeTrace(), (std::vector<Access>{w(0x5C, 0x00000200), w(0x5C, 0x00000000), w(0x5C, 0x40000000)}));
  EXPECT_TRUE(kalsim::reservedInterrupts().empty());
  EXPECT_EQ(kalsim::liveThreads(), 0u);
  EXPECT_EQ(kalsim::liveDPCs(), 0u);
}

TEST_F(InterruptPath, MessageSignalledArmsAtStartUpThenClaimsWithoutTouchingTheMaskAndTwoInterruptsGiveOneWake) {
  board_->clearAccessLog();
  build(true);
  // Start-up arms the bridge as in line mode: only claim and re-arm leave the mask alone.
  EXPECT_EQ(bridgeTrace(), (std::vector<Access>{w(0x5C, 0x54000500), w(0x5C, 0x94000500), w(0x5C, 0x80000000),
                                                w(0x5C, 0x80000000), w(0x5C, 0x80000200)}));
  FakeStream stream;
  Waiter waiter;
  startWait(waiter, stream, 3, 64, 0xFFFFFFFF);
  board_->clearAccessLog();
  simboard::BridgeInterruptQueue& irq = board_->bridgeCore().interrupts();
  // A stale notification below the target does not end the wait.
  irq.post(3);
  EXPECT_EQ(irq.deliverInterrupts(), 1u);
  EXPECT_EQ(bridgeTrace(), (std::vector<Access>{r(0x68, 0x10000003)}));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(waiter.done.load());
  stream.count = 64;
  irq.post(3);
  irq.post(3);
  EXPECT_EQ(irq.deliverInterrupts(), 2u);
  waiter.thread.join();
  EXPECT_EQ(waiter.status.getCode(), 0);
  EXPECT_FALSE(waiter.timedOut);
  for (const Access& a : bridgeTrace()) EXPECT_NE(a.offset, 0x5Cu);
}

TEST_F(InterruptPath, WaitsReachedTimedOutCancelledAndReset) {
  build(false);
  FakeStream stream;
  stream.count = 500;
  bool timedOut = true;
  tStatus reached;
  dma_->waitForDMA(stream, 1, 400, 100, 0xFFFFFFFF, timedOut, reached);
  EXPECT_EQ(reached.getCode(), 0);
  EXPECT_FALSE(timedOut);

  tStatus zero;
  dma_->waitForDMA(stream, 1, 500, 1, 0, timedOut, zero);
  EXPECT_EQ(zero.getCode(), 0);
  EXPECT_TRUE(timedOut);

  // Cancel with nobody waiting leaves nothing behind.
  dma_->signal(2, static_cast<int32_t>(kCancelled));
  Waiter first;
  startWait(first, stream, 2, 1000, 0xFFFFFFFF);
  // The first code posted stays.
  dma_->signal(2, static_cast<int32_t>(kCancelled));
  dma_->signalAll(static_cast<int32_t>(kDeviceReset));
  first.thread.join();
  EXPECT_EQ(first.status.getCode(), kCancelled);

  // A controller of its own: the reset above ends every later wait too.
  tStatus rebuilt;
  dma_ = std::make_unique<DMAInterruptController>(*controller_, bridge_, rebuilt);
  ASSERT_EQ(rebuilt.getCode(), 0);
  Waiter torn;
  startWait(torn, stream, 8, 1000, 0xFFFFFFFF);
  dma_.reset();
  torn.thread.join();
  EXPECT_EQ(torn.status.getCode(), -52003);
}

// A reset wakes the waits asleep, and a wait that begins after it (its
// request passed the gate just before the reset closed it) ends at once with
// the same code rather than holding the reset's drain for its time-out; one
// whose bytes are there still ends with them.
TEST_F(InterruptPath, AResetEndsTheWaitsAsleepAndEveryWaitAfterIt) {
  build(false);
  FakeStream stream;
  Waiter reset;
  startWait(reset, stream, 7, 1000, 0xFFFFFFFF);
  dma_->signalAll(static_cast<int32_t>(kDeviceReset));
  reset.thread.join();
  EXPECT_EQ(reset.status.getCode(), kDeviceReset);

  bool timedOut = true;
  tStatus late;
  dma_->waitForDMA(stream, 7, 0, 1000, 5000, timedOut, late);
  EXPECT_EQ(late.getCode(), kDeviceReset);
  EXPECT_FALSE(timedOut);
  EXPECT_FALSE(stream.enabled.load()) << "nothing armed for it";
  stream.count = 1000;
  tStatus reached;
  dma_->waitForDMA(stream, 7, 0, 1000, 5000, timedOut, reached);
  EXPECT_EQ(reached.getCode(), 0);
}

// A wait whose semaphore could not be made is never listed or armed: a
// notification or a reset reaching it would release a semaphore that has no
// lock.
TEST_F(InterruptPath, AWaitWithoutItsSemaphoreArmsNothing) {
  build(false);
  FakeStream stream;
  bool timedOut = true;
  tStatus status;
  kalsim::failSpinLockCreation(1);
  dma_->waitForDMA(stream, 3, 0, 100, 0xFFFFFFFF, timedOut, status);
  kalsim::failSpinLockCreation(0);
  EXPECT_EQ(status.getCode(), -52000);
  EXPECT_FALSE(timedOut);
  EXPECT_EQ(stream.threshold_.load(), 0u);
  EXPECT_FALSE(stream.enabled.load());
}

// True once the condition holds, false when a second has passed without it.
template <typename Condition>
bool within1s(Condition condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::yield();
  }
  return true;
}

// A second wait on a channel that already has one is not registered: it sets
// no threshold and takes neither the notification nor a cancel, so its own
// time-out or an interruption of its thread ends it. The first keeps its
// threshold, notifier and wake, and still ends with its bytes; a cancel ends
// the first alone.
TEST_F(InterruptPath, ASecondWaitOnAChannelEndsOnItsOwnAndLeavesTheFirstWaiting) {
  build(false);
  kalsim::useRealClock();
  enum class End { kTimeOut, kInterruption, kCancel };
  struct Case {
    const char* name;
    End end;
    uint32_t timeout;
    int64_t code;
  };
  const Case cases[] = {
      {"its time-out", End::kTimeOut, 200, 0},
      {"an interruption of its thread", End::kInterruption, 0xFFFFFFFF, -52025},
      {"a cancel, which only the first takes", End::kCancel, 200, 0},
  };
  simboard::BridgeInterruptQueue& irq = board_->bridgeCore().interrupts();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeStream stream;
    Waiter first;
    startWait(first, stream, 2, 1000, 2000);
    Waiter second;
    std::atomic<void*> handle{nullptr};
    second.thread = std::thread([&] {
      handle = nKIVKAL100_getThreadHandle();
      dma_->waitForDMA(stream, 2, 0, 500, c.timeout, second.timedOut, second.status);
      second.done = true;
    });
    EXPECT_TRUE(within1s([&] { return kalsim::interruptibleWaiters() == 2; })) << "both asleep";
    if (c.end == End::kInterruption) kalsim::interruptThread(handle.load());
    if (c.end == End::kCancel) dma_->signal(2, static_cast<int32_t>(kCancelled));
    second.thread.join();
    EXPECT_EQ(second.status.getCode(), c.code);
    EXPECT_EQ(second.timedOut, c.end != End::kInterruption);
    if (c.end == End::kCancel) {
      first.thread.join();
      EXPECT_EQ(first.status.getCode(), kCancelled);
      continue;
    }
    EXPECT_FALSE(first.done.load());
    EXPECT_TRUE(stream.enabled.load());
    EXPECT_EQ(stream.threshold_.load(), 1000u);
    stream.count = 1000;
    irq.post(2);
    EXPECT_EQ(irq.deliverInterrupts(), 1u);
    first.thread.join();
    EXPECT_EQ(first.status.getCode(), 0);
    EXPECT_FALSE(first.timedOut) << "the first's notifier was gone";
    EXPECT_FALSE(stream.enabled.load());
  }
}

// A reset and the teardown end every wait, the unregistered second one too:
// the device's drain and the teardown wait for it.
TEST_F(InterruptPath, AResetOrTheTeardownEndsASecondWaitWithTheFirst) {
  for (const int64_t code : {kDeviceReset, int64_t{-52003}}) {
    SCOPED_TRACE(code);
    build(false);
    FakeStream stream;
    Waiter first;
    startWait(first, stream, 9, 1000, 0xFFFFFFFF);
    Waiter second;
    second.thread = std::thread([&] {
      dma_->waitForDMA(stream, 9, 0, 1000, 0xFFFFFFFF, second.timedOut, second.status);
      second.done = true;
    });
    EXPECT_TRUE(within1s([&] { return kalsim::interruptibleWaiters() == 2; })) << "both asleep";
    if (code == kDeviceReset) {
      dma_->signalAll(static_cast<int32_t>(kDeviceReset));
    } else {
      dma_.reset();
    }
    first.thread.join();
    second.thread.join();
    EXPECT_EQ(first.status.getCode(), code);
    EXPECT_EQ(second.status.getCode(), code);
    EXPECT_FALSE(second.timedOut);
    dma_.reset();
    controller_.reset();
    device_.reset();
  }
}

// A code posted as the wait ends: one posted before the time-out fires hands
// the waiter its wake, one posted after it meets a wait that has expired, and
// the wait reports both.
TEST_F(InterruptPath, ACodePostedAsAWaitEndsIsReportedWithTheTimeOutItMeets) {
  build(false);
  struct Case {
    const char* name;
    kalsim::WaitPoint postAt;
    bool timedOut;
  };
  const Case cases[] = {
      {"posted before the time-out fires", kalsim::WaitPoint::kBeforeTimeoutCallback, false},
      {"posted as the time-out fires", kalsim::WaitPoint::kAfterTimeoutCallback, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeStream stream;
    int posts = 0;
    kalsim::setWaitHook([&](kalsim::WaitPoint point) {
      if (point != c.postAt || posts++ != 0) return;
      dma_->signal(6, static_cast<int32_t>(kCancelled));
    });
    bool timedOut = !c.timedOut;
    tStatus status;
    dma_->waitForDMA(stream, 6, 0, 10, 5, timedOut, status);
    kalsim::setWaitHook({});
    EXPECT_EQ(posts, 1);
    EXPECT_EQ(status.getCode(), kCancelled);
    EXPECT_EQ(timedOut, c.timedOut);
    EXPECT_FALSE(stream.enabled.load());
  }
}

// The last interrupt's deferred call is still queued when the teardown
// starts: it uses the notifiers, both spinlocks and the work queue, so it is
// stopped right after the interrupt goes and before any of them.
TEST_F(InterruptPath, TeardownStopsTheDeferredCallsBeforeWhatTheyUse) {
  build(false);
  dma_.reset();
  board_->bridgeCore().interrupts().post(5);
  ASSERT_TRUE(controller_->handlePrimaryInterrupt());
  ASSERT_EQ(kalsim::pendingDPCs(), 1u);
  kalsim::recordReleases(true);
  controller_.reset();
  using kalsim::Release;
  const std::vector<Release> released = kalsim::releases();
  ASSERT_GE(released.size(), 5u);
  EXPECT_EQ(std::vector<Release>(released.begin(), released.begin() + 3),
            (std::vector<Release>{Release::kInterrupt, Release::kDeferredCall, Release::kDeferredCall}));
  // The worker and the locks go after them.
  EXPECT_NE(std::find(released.begin() + 3, released.end(), Release::kThread), released.end());
  EXPECT_NE(std::find(released.begin() + 3, released.end(), Release::kSpinLock), released.end());
  EXPECT_EQ(kalsim::pendingDPCs(), 0u);
  EXPECT_EQ(kalsim::liveDPCs(), 0u);
}

TEST_F(InterruptPath, InterruptedWaitAndRefusedThreadOrReservation) {
  build(false);
  FakeStream stream;
  Waiter waiter;
  void* handle = nullptr;
  std::atomic<bool> ready{false};
  waiter.thread = std::thread([&] {
    handle = nKIVKAL100_getThreadHandle();
    ready = true;
    dma_->waitForDMA(stream, 4, 0, 10, 0xFFFFFFFF, waiter.timedOut, waiter.status);
  });
  while (!stream.enabled.load() || !ready.load()) std::this_thread::yield();
  kalsim::interruptThread(handle);
  waiter.thread.join();
  EXPECT_EQ(waiter.status.getCode(), -52025);
  dma_.reset();
  controller_.reset();

  kalsim::failThreadCreation(1);
  tStatus noThread;
  InterruptController refused(*device_, bridge_, noThread);
  EXPECT_EQ(noThread.getCode(), -52008);
  EXPECT_TRUE(kalsim::reservedInterrupts().empty());
}

}  // namespace
