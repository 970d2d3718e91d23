// A session is a file handle, and user mode may send its requests from any
// number of threads: two threads of one session on one DMA channel, on the
// real clock, with the board's engine stepped on a thread of its own. Each
// request answers as some order of the two would; none may crash, race the
// other inside the driver, or leave the engine walking freed links or
// buffers.
#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "kal/include/kalDma.h"
#include "simboard/DmaChannelBlock.h"
#include "tests/requests/RequestEnvelopeFixture.h"

namespace requesttest {
namespace {

constexpr uint32_t kDmaChannel = 4;  // measurements of instrument channel 2
constexpr uint32_t kRounds = 200;
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
    EXPECT_EQ(onChannel("tarnTools_stopDMA"), 0) << round;
    if (cleared != 0) {
      EXPECT_EQ(onChannel("tarnTools_clearTransfers"), 0) << round;
    }
  }
  stopEngine();
  const simboard::DmaChannelBlock& channel = board.nisoFpga().dmaChannel(kDmaChannel);
  EXPECT_TRUE(channel.faults().empty()) << channel.faults().front().what << " at 0x" << std::hex
                                        << channel.faults().front().busAddress;
  RecordProperty("clearsBeforeTheStart", clearedFirst);
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
