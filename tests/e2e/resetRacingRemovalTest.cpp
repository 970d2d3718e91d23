// A session resets the device to full setup while the device is being
// removed, on the real clock: the removal starts a little after the reset (a
// few delays, so that it lands in the reset's teardown and in its setup),
// while another thread of the same session waits for DMA progress and a
// thread of another session keeps sending requests and opening sessions.
// The removal must neither see the reset's half-freed or half-built hardware
// objects (the sanitizers watch) nor be undone by it: once the removal has
// begun and the reset has returned, every request answers that the device
// takes no more I/O and every open is refused, as for a removed device.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "kal/include/kalStandIn.h"
#include "tests/requests/RequestEnvelopeFixture.h"
#include "tests/support/layerObjects.h"

namespace requesttest {
namespace {

using Clock = std::chrono::steady_clock;

// The status a request answers when the closed gate refused it.
constexpr int32_t kIONotAccepted = -52022;
// An open the device refuses once its removal has begun (the refusal's
// driver code has no pair in the layer's code space), and the interface
// lookup's once the interfaces are gone.
constexpr int32_t kOpenRefused = -51001;
constexpr int32_t kNoInterface = -51150;
// Instrument channels 2 to 6: their to-device DMA channels are started.
constexpr uint32_t kFirstChannel = 2;
constexpr uint32_t kStartedChannels = 5;
constexpr uint32_t kWaitedChannel = 2 * kFirstChannel + 1;
// Long enough that only a wake ends the wait.
constexpr uint32_t kWaitTimeoutMs = 20000;
// Requests the sender still sends once the removal is over.
constexpr uint32_t kRequestsAfterRemoval = 20;

// One thing the sender did, and whether the removal had begun and the reset
// had returned before it did it.
struct Sent {
  bool open;
  bool late;
  int32_t result;
  int32_t status;
};

class ResetRacingRemovalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (kTopLevel < 20) GTEST_SKIP() << "DMA and a reset to full setup need a fully set-up device";
  }
  void TearDown() override { kalsim::useVirtualClock(); }

  // A request with `fill` writing its inbound record; its result and status.
  template <typename Fill>
  std::pair<int32_t, int32_t> send(void* on, const char* name, Fill fill) {
    std::vector<uint8_t> inbound;
    std::vector<uint8_t> outbound;
    const tRequestRow* found = &hostRecords(name, inbound, outbound, fill);
    uint32_t bytesReturned = kUntouched;
    const int32_t result = driver->host.request(on, found->code, inbound.data(), found->inboundSize,
                                                outbound.data(), found->outboundSize, &bytesReturned);
    int32_t status = 0;
    if (result == 0) std::memcpy(&status, outbound.data() + found->outboundStatusOffset, sizeof status);
    kalsim::HostAllocations test;
    inbound.clear();
    inbound.shrink_to_fit();
    outbound.clear();
    outbound.shrink_to_fit();
    return {result, status};
  }
  template <typename T>
  static void put(std::vector<uint8_t>& record, uint32_t offset, T value) {
    std::memcpy(record.data() + offset, &value, sizeof value);
  }

  void* open() {
    void* opened = nullptr;
    EXPECT_EQ(driver->host.open(kMainInterface, &opened), 0);
    return opened;
  }

  bool late() const { return removing.load() && resetReturned.load(); }

  // Requests on a session the reset invalidates, and opens, until a while
  // after the removal is over.
  void sender(void* old) {
    uint32_t afterRemoval = 0;
    for (uint32_t round = 0; afterRemoval < kRequestsAfterRemoval; ++round) {
      if (gone.load()) ++afterRemoval;
      bool wasLate = late();
      const auto [result, status] = send(old, "vorlan_getSetupLevel", [](auto&) {});
      record({false, wasLate, result, status});
      if (round % 4 == 0) {
        wasLate = late();
        void* opened = nullptr;
        const int32_t refused = driver->host.open(kMainInterface, &opened);
        record({true, wasLate, refused, 0});
        if (opened != nullptr) {
          wasLate = late();
          const auto [onNew, statusOnNew] = send(opened, "vorlan_getSetupLevel", [](auto&) {});
          record({false, wasLate, onNew, statusOnNew});
          driver->host.close(opened);
        }
      }
      std::this_thread::yield();
    }
  }
  void record(const Sent& sent) {
    kalsim::HostAllocations test;
    seen.push_back(sent);
  }

  // A fresh driver; the removal begins `delay` after the reset was sent.
  void raceRemovalWithReset(std::chrono::microseconds delay) {
    kalsim::reset();
    const testsupport::LayerObjects before = testsupport::layerObjects();
    {
      kalsim::HostAllocations test;
      driver = std::make_unique<StartedDriver>();
      seen.clear();
      seen.reserve(1u << 16);
    }
    removing = false;
    resetReturned = false;
    resetSending = false;
    gone = false;
    driver->start();
    if (HasFatalFailure()) return;
    kalsim::useRealClock();

    // The resetting session holds five instrument channels and streams to
    // each; the engines are never stepped, so the wait below only ends by a
    // wake.
    void* resetting = open();
    void* old = open();
    ASSERT_NE(resetting, nullptr);
    ASSERT_NE(old, nullptr);
    std::vector<uint8_t> bytes;
    {
      kalsim::HostAllocations test;
      bytes.assign(4096, 0x5A);
    }
    const uint64_t mask = ((uint64_t{1} << kStartedChannels) - 1) << kFirstChannel;
    ASSERT_EQ(send(resetting, "kdut_reserveResources", [&](auto& in) { put<uint64_t>(in, 0, mask); }),
              std::make_pair(0, 0));
    for (uint32_t c = 0; c < kStartedChannels; ++c) {
      const uint32_t dmaChannel = 2 * (kFirstChannel + c) + 1;
      ASSERT_EQ(send(resetting, "tarnTools_addTransferToDevice",
                     [&](auto& in) {
                       put<uint32_t>(in, 0, dmaChannel);
                       put<uint64_t>(in, 8, address(bytes.data()));
                       put<uint64_t>(in, 16, bytes.size());
                       put<uint32_t>(in, 24, 4);
                     }),
                std::make_pair(0, 0));
      ASSERT_EQ(send(resetting, "tarnTools_startDMA",
                     [&](auto& in) {
                       put<uint32_t>(in, 0, dmaChannel);
                       put<uint8_t>(in, 4, 1);
                     }),
                std::make_pair(0, 0));
    }

    std::pair<int32_t, int32_t> waited{};
    Clock::duration waitedFor{};
    Clock::time_point resetEnded{};
    Clock::time_point removalBegan{};
    std::thread waiter;
    std::thread sending;
    std::thread resetter;
    {
      kalsim::HostAllocations test;
      waiter = std::thread([&] {
        const Clock::time_point start = Clock::now();
        waited = send(resetting, "tarnTools_waitUntilBytesTransferred", [](auto& in) {
          put<uint32_t>(in, 0, kWaitedChannel);
          put<uint32_t>(in, 16, 1u << 30);
          put<uint32_t>(in, 20, kWaitTimeoutMs);
        });
        waitedFor = Clock::now() - start;
      });
      sending = std::thread([&] { sender(old); });
    }
    // The wait is asleep before the reset begins.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    {
      kalsim::HostAllocations test;
      resetter = std::thread([&] {
        resetSending = true;
        send(resetting, "kdut_reset", [](auto& in) { put<uint32_t>(in, 0, 20); });
        resetEnded = Clock::now();
        resetReturned = true;
      });
    }
    while (!resetSending.load()) std::this_thread::yield();
    std::this_thread::sleep_for(delay);
    removalBegan = Clock::now();
    removing = true;
    driver->host.removeDevice();
    gone = true;

    resetter.join();
    waiter.join();
    sending.join();
    driver->host.close(old);
    driver->host.close(resetting);
    driver->host.deleteDevice();
    driver->host.unload();

    EXPECT_EQ(testsupport::leftBehind(before, testsupport::layerObjects()), "");
    EXPECT_LT(removalBegan, resetEnded) << "the removal must begin while the reset runs";
    EXPECT_TRUE(waited == std::make_pair(0, static_cast<int32_t>(kSessionInvalidated)) ||
                waited == std::make_pair(0, kIONotAccepted))
        << "the DMA wait answered " << waited.first << ", status " << waited.second;
    EXPECT_LT(waitedFor, std::chrono::milliseconds(kWaitTimeoutMs)) << "only its time-out ended the DMA wait";

    uint32_t lateCount = 0;
    std::ostringstream through;
    {
      kalsim::HostAllocations test;
      for (const Sent& sent : seen) {
        if (!sent.late) continue;
        ++lateCount;
        const bool refused = sent.open ? sent.result == kOpenRefused || sent.result == kNoInterface
                                       : sent.result == 0 && sent.status == kIONotAccepted;
        if (!refused) {
          through << "\n  " << (sent.open ? "open" : "request") << ": result " << sent.result << ", status "
                  << sent.status;
        }
      }
    }
    EXPECT_GT(lateCount, 0u);
    EXPECT_EQ(through.str(), "") << "let through once the removal had begun and the reset had returned";
    {
      kalsim::HostAllocations test;
      driver.reset();
      seen.clear();
      seen.shrink_to_fit();
    }
  }

  std::unique_ptr<StartedDriver> driver;
  std::vector<Sent> seen;
  std::atomic<bool> removing{false};
  std::atomic<bool> resetReturned{false};
  std::atomic<bool> resetSending{false};
  std::atomic<bool> gone{false};
};

TEST_F(ResetRacingRemovalTest, ARemovalDuringAResetStaysARemoval) {
  // Two into the reset's teardown (it begins a millisecond or two in and
  // lasts from a few milliseconds to a few tens, by build), one into its
  // setup, which takes most of a reset's time.
  for (const uint32_t delayMs : {3u, 6u, 100u}) {
    SCOPED_TRACE("removal " + std::to_string(delayMs) + " ms into the reset");
    raceRemovalWithReset(std::chrono::milliseconds(delayMs));
    if (HasFatalFailure()) return;
  }
}

}  // namespace
}  // namespace requesttest
