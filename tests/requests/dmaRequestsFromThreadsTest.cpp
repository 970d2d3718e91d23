// A session is a file handle, and user mode may send its requests from any
// number of threads: two threads of one session on one DMA channel, on the
// real clock, with the board's engine stepped on a thread of its own. Each
// request answers as some order of the two would; none may crash, race the
// other inside the driver, or leave the engine walking freed links or
// buffers.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "device/TarnDMAControllers.h"
#include "kal/include/kalDma.h"
#include "simboard/DmaChannelBlock.h"
#include "tests/requests/RequestEnvelopeFixture.h"

namespace requesttest {
namespace {

constexpr uint32_t kDmaChannel = 4;  // measurements of instrument channel 2
constexpr uint32_t kRounds = 200;
// Rounds whose order the test sets itself, lock hand-over by hand-over.
constexpr uint32_t kSteppedRounds = 5;
constexpr uint32_t kContinuousList = 1;
constexpr int32_t kChannelRunning = word(0xBFFA806Eu);
// A clear after the other thread's clear took the buffer owner's cleanup.
constexpr int32_t kNotHeld = -52006;

// The tests share one started driver, whose start-up is most of their time
// under the thread sanitizer; each holds instrument channel 2 on a session
// of its own, which closing the session gives back with whatever the
// session left on the channel.
class DmaRequestsFromThreadsTest : public SharedEnvelopeTest {
 protected:
  void SetUp() override {
    SharedEnvelopeTest::SetUp();
    if (HasFatalFailure()) return;
    if (kTopLevel < 20) GTEST_SKIP() << "the DMA requests need a fully set-up device";
    ASSERT_EQ(request("kdut_reserveResources", [](Exchange& e) { e.put<uint64_t>(0, 1u << 2); }), 0);
    kalsim::useRealClock();
  }
  void TearDown() override {
    stopEngine();
    SharedEnvelopeTest::TearDown();
    kalsim::useVirtualClock();
  }

  // The request's status word, or the call's result when that failed.
  template <typename Fill>
  int32_t request(const char* name, Fill fill) {
    const tRequestRow& r = row(name);
    Exchange exchange = recordsFor(r);
    fill(exchange);
    send(session, r.code, exchange);
    return exchange.result != 0 ? exchange.result : statusOf(r, exchange);
  }
  int32_t onChannel(const char* name) {
    return request(name, [](Exchange& e) { e.put<uint32_t>(0, kDmaChannel); });
  }
  int32_t addContinuous() {
    return request("tarnTools_addTransferFromDevice", [this](Exchange& e) {
      e.put<uint32_t>(0, kDmaChannel);
      e.put<uint32_t>(4, kContinuousList);
      e.put<uint64_t>(8, address(buffer.data()));
      e.put<uint64_t>(16, buffer.size());
    });
  }

  // Both requests set off together, each on a thread of its own.
  void atOnce(const char* first, int32_t& firstAnswer, const char* second, int32_t& secondAnswer) {
    std::atomic<uint32_t> ready{0};
    auto sender = [&](const char* name, int32_t& answer) {
      ++ready;
      while (ready.load() < 2) std::this_thread::yield();
      answer = onChannel(name);
    };
    std::thread a(sender, first, std::ref(firstAnswer));
    std::thread b(sender, second, std::ref(secondAnswer));
    a.join();
    b.join();
  }

  void startEngine() {
    engine_ = std::thread([this] {
      simboard::DmaChannelBlock& channel = board.nisoFpga().dmaChannel(kDmaChannel);
      while (!engineDone_.load()) {
        channel.run(256);
        std::this_thread::yield();
      }
    });
  }
  void stopEngine() {
    engineDone_ = true;
    if (engine_.joinable()) engine_.join();
  }
  // The engine stopped, it must have found nothing wrong in what it walked.
  void stopEngineAndExpectNoFaults() {
    stopEngine();
    const simboard::DmaChannelBlock& channel = board.nisoFpga().dmaChannel(kDmaChannel);
    EXPECT_TRUE(channel.faults().empty()) << channel.faults().front().what << " at 0x" << std::hex
                                          << channel.faults().front().busAddress;
  }
  // Back to an idle channel with empty lists after a round whose clear
  // answered `cleared`: one that was refused leaves the buffers to clear.
  void stopAndClear(int32_t cleared, uint32_t round) {
    EXPECT_EQ(onChannel("tarnTools_stopDMA"), 0) << round;
    if (cleared != 0) {
      EXPECT_EQ(onChannel("tarnTools_clearTransfers"), 0) << round;
    }
  }

  // The kernel mutex under the channel's lock: the one a start holds across
  // its commit and the engine's start, among the many (register maps,
  // composites) the same paths take and give back.
  void* channelMutex() {
    vorlan_driver::nKIVAPAL000::tMutex* lock = device()
                                                   .getHardwareOwner()
                                                   ->getDeviceDma()
                                                   ->getDmaControllers()
                                                   ->getDMAStreamController(kDmaChannel)
                                                   ->getChannelLock();
    if (lock == nullptr) return nullptr;
    lock->acquire();
    void* kernelMutex = kalsim::lastMutexAcquiredOnThisThread();
    lock->release();
    return kernelMutex;
  }

  // Spins until `done` holds; false when it still does not after ten
  // seconds, where a thread is held up somewhere the test did not expect:
  // the test then fails rather than hangs.
  template <typename Done>
  static bool spinUntil(Done done) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done()) {
      if (std::chrono::steady_clock::now() > giveUp) return false;
      std::this_thread::yield();
    }
    return true;
  }

  // The caller's memory the engine fills: three pages and a bit.
  std::vector<uint8_t> buffer = std::vector<uint8_t>(3 * 4096 + 100);

 private:
  std::thread engine_;
  std::atomic<bool> engineDone_{false};
};

// A start and a clear of the same channel at once: the clear either empties
// the lists before the start commits them, or finds the channel running and
// is refused; never does it free links the start is committing or the
// engine is walking.
TEST_F(DmaRequestsFromThreadsTest, AStartAndAClearAtOnceRunOneAfterTheOther) {
  startEngine();
  uint32_t clearedFirst = 0;
  for (uint32_t round = 0; round < kRounds && !HasFailure(); ++round) {
    ASSERT_EQ(addContinuous(), 0) << round;
    int32_t started = -1;
    int32_t cleared = -1;
    atOnce("tarnTools_startDMA", started, "tarnTools_clearTransfers", cleared);
    EXPECT_EQ(started, 0) << round;
    EXPECT_TRUE(cleared == 0 || cleared == kChannelRunning) << round << ": " << cleared;
    if (cleared == 0) ++clearedFirst;
    stopAndClear(cleared, round);
  }
  stopEngineAndExpectNoFaults();
  RecordProperty("clearsBeforeTheStart", clearedFirst);
}

// A clear that reaches the channel lock while a start holds it for its
// commit waits until the engine runs and is refused then: it never empties
// the lists between the commit and the start, which would start the engine
// on emptied lists nobody committed, the buffers added for it released. The
// layer's hooks on the channel's mutex alone set the order: the clear is
// sent when the start first takes the lock and the start goes on once the
// clear waits for it; whenever the start gives the lock back, the clear
// takes it before the start may take it again.
TEST_F(DmaRequestsFromThreadsTest, AClearThatComesDuringTheStartsCommitWaitsForTheEngineToRun) {
  void* const lock = channelMutex();
  ASSERT_NE(lock, nullptr);
  startEngine();
  static thread_local bool tStarting = false;
  for (uint32_t round = 0; round < kSteppedRounds && !HasFailure(); ++round) {
    ASSERT_EQ(addContinuous(), 0) << round;
    std::atomic<bool> sendClear{false};
    std::atomic<bool> clearAnswered{false};
    uint32_t startHolds = 0;  // the start's thread alone counts
    bool clearWaited = false;
    bool clearTookOver = true;
    kalsim::setMutexHook(lock, [&](kalsim::MutexPoint point) {
      if (!tStarting) return;
      if (point == kalsim::MutexPoint::kAcquired) {
        if (++startHolds != 1) return;
        sendClear = true;
        clearWaited = spinUntil([&] { return kalsim::mutexWaiters(lock) > 0 || clearAnswered.load(); }) &&
                      !clearAnswered.load();
        return;
      }
      clearTookOver = clearTookOver && spinUntil([&] { return kalsim::mutexWaiters(lock) == 0; });
    });
    int32_t started = -1;
    int32_t cleared = -1;
    std::thread clearer([&] {
      while (!sendClear.load()) std::this_thread::yield();
      cleared = onChannel("tarnTools_clearTransfers");
      clearAnswered = true;
    });
    std::thread starter([&] {
      tStarting = true;
      started = onChannel("tarnTools_startDMA");
    });
    starter.join();
    // A start that never took the lock still lets the clear go, and fails
    // the round below.
    sendClear = true;
    clearer.join();
    kalsim::setMutexHook(nullptr, nullptr);

    EXPECT_TRUE(clearWaited) << round << ": the clear did not wait for the lock the start held";
    EXPECT_TRUE(clearTookOver) << round << ": the clear did not take the lock the start gave back";
    EXPECT_EQ(started, 0) << round;
    EXPECT_EQ(cleared, kChannelRunning) << round << ": the clear came between the commit and the start";
    stopAndClear(cleared, round);
  }
  stopEngineAndExpectNoFaults();
  EXPECT_EQ(kalsim::livePinnedUserPages(), 0u) << "every buffer released";
}

// Two clears of the same channel at once: one after the other, so the
// second empties lists the first already emptied, and only one of them
// takes the session's cleanup back.
TEST_F(DmaRequestsFromThreadsTest, TwoClearsAtOnceRunOneAfterTheOther) {
  for (uint32_t round = 0; round < kRounds && !HasFailure(); ++round) {
    ASSERT_EQ(addContinuous(), 0) << round;
    int32_t first = -1;
    int32_t second = -1;
    atOnce("tarnTools_clearTransfers", first, "tarnTools_clearTransfers", second);
    EXPECT_EQ(std::min(first, second), kNotHeld) << round;
    EXPECT_EQ(std::max(first, second), 0) << round;
  }
  EXPECT_EQ(kalsim::livePinnedUserPages(), 0u) << "every buffer released";
}

}  // namespace
}  // namespace requesttest
