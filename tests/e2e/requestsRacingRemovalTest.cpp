// The started driver under load from several threads on the real clock:
// senders send requests of every family (registers by name, windows,
// storage maps, the sequencer, measure units and events, DMA transfers,
// routes, cooling through both interfaces) on sessions of their own, other
// threads close and reopen sessions, one thread runs the board's DMA engines
// and delivers its interrupts, and the device is removed once the senders
// have completed a number of requests. A request racing the removal may
// answer that the device no longer takes I/O; nothing may crash, hang or
// leave anything in the layer once the driver is unloaded.
//
// Bounded: each thread stops after its rounds, or once the device is gone
// and it has seen so.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "kal/host/tHostHarness.h"
#include "kal/include/kalStandIn.h"
#include "platform/driver/tNotifierCreationRecord.h"
#include "routing/routing-resources/RouteConflict.h"
#include "routing/topography/RouteCalculationSeedBase.h"
#include "routing/topography/RoutePossibilityBase.h"
#include "simboard/QuillBoard.h"
#include "tests/requests/RequestEnvelopeFixture.h"
#include "tests/support/layerObjects.h"

namespace requesttest {
namespace {

using vorlan_driver::nKIVAPAL000::kIOControlCreateNotifier;
using vorlan_driver::nKIVAPAL000::tNotifierCreationRecord;

constexpr uint32_t kSenders = 3;
constexpr uint32_t kReopeners = 2;
constexpr uint32_t kRounds = 400;
constexpr uint32_t kReopenRounds = 2000;
// Requests completed before the device is removed.
constexpr uint32_t kRequestsBeforeRemoval = 600;
// The layer's code for a request the closed gate refused, and the interface
// lookup's once the device is gone.
constexpr int32_t kIONotAccepted = -52022;
constexpr int32_t kNoInterface = -51150;
// An open the device refuses once its removal has begun: the refusal's
// driver code has no pair in the layer's code space.
constexpr int32_t kOpenRefused = -51001;
// A routing request already past its gate when removal withdrew the
// session's routing resources.
constexpr int32_t kRoutingWithdrawn = -52020;

// What a sender saw, by request and answer.
class Answers {
 public:
  void add(const char* request, int32_t result, int32_t status, bool afterRemoval) {
    kalsim::HostAllocations test;
    std::lock_guard<std::mutex> lock(mutex_);
    ++seen_[{request, result, status, afterRemoval}];
  }
  std::string unexpected(const std::set<int32_t>& racingRemoval, const std::set<std::string>& mayRefuse) const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::ostringstream text;
    for (const auto& [key, count] : seen_) {
      const auto& [request, result, status, after] = key;
      if (result == 0 && status == 0) continue;
      if (after && (racingRemoval.count(result) != 0 || (result == 0 && racingRemoval.count(status) != 0))) continue;
      if (result == 0 && mayRefuse.count(request + " " + std::to_string(status)) != 0) continue;
      text << "\n  " << request << (after ? " (removal begun)" : "") << ": result " << result << ", status " << status
           << " x" << count;
    }
    return text.str();
  }

 private:
  mutable std::mutex mutex_;
  std::map<std::tuple<std::string, int32_t, int32_t, bool>, uint32_t> seen_;
};

class RequestsRacingRemovalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (kTopLevel < 20) GTEST_SKIP() << "the requests of every family need a fully set-up device";
    kalsim::reset();
    before = testsupport::layerObjects();
    ASSERT_EQ(host.load(), 0);
    ASSERT_EQ(host.addSimulatedBoard(board.bar0(), simboard::SimBoard::kBar0Size), 0);
    kalsim::useRealClock();
  }
  void TearDown() override { kalsim::useVirtualClock(); }

  // One request; its status word, or the call's result when that failed.
  template <typename Fill>
  void send(void* on, const char* name, Fill fill, std::vector<uint8_t>* out = nullptr) {
    std::vector<uint8_t> inbound;
    std::vector<uint8_t> outbound;
    const tRequestRow& r = hostRecords(name, inbound, outbound, fill);
    uint32_t bytesReturned = kUntouched;
    const bool afterRemoval = removing.load();
    const int32_t result = host.request(on, r.code, inbound.data(), r.inboundSize, outbound.data(), r.outboundSize,
                                        &bytesReturned);
    int32_t status = 0;
    if (result == 0) std::memcpy(&status, outbound.data() + r.outboundStatusOffset, sizeof status);
    answers.add(name, result, status, afterRemoval || removing.load());
    if (result == 0 && status == 0) ++completed;
    if (out != nullptr) {
      kalsim::HostAllocations test;
      *out = outbound;
    }
  }
  template <typename T>
  static void put(std::vector<uint8_t>& record, uint32_t offset, T value) {
    std::memcpy(record.data() + offset, &value, sizeof value);
  }
  template <typename T>
  static T get(const std::vector<uint8_t>& record, uint32_t offset) {
    T value;
    std::memcpy(&value, record.data() + offset, sizeof value);
    return value;
  }
  static void named(std::vector<uint8_t>& record, const std::string& name) {
    put<uint64_t>(record, 0, address(name.data()));
    put<uint64_t>(record, 8, name.size());
  }

  // A sender: a session on each interface, one instrument channel held,
  // rounds of requests of every family.
  void sender(uint32_t index) {
    void* main = nullptr;
    void* cooling = nullptr;
    if (host.open(kMainInterface, &main) != 0) {
      ++sendersFinished;
      return;
    }
    if (host.open(kCoolingInterface, &cooling) != 0) cooling = nullptr;
    const uint32_t channel = 2 + index;
    const uint32_t toDevice = 2 * channel + 1;
    const uint64_t mask = uint64_t{1} << channel;
    send(main, "kdut_reserveResources", [&](auto& in) { put<uint64_t>(in, 0, mask); });
    tNotifierCreationRecord notifier{0x1000u + index, 7 + index, 0x80000000u};
    host.ioctl(main, kIOControlCreateNotifier, address(&notifier));

    // The caller's memory the requests point at.
    std::string tarn;
    std::string flash;
    std::string manufacturing;
    std::vector<uint32_t> ids;
    std::vector<uint32_t> addresses;
    std::vector<uint8_t> bytes;
    {
      kalsim::HostAllocations test;
      tarn = "Tarn_Ver23.3.0f121";
      flash = "flashWindow";
      manufacturing = "Manufacturing_Ver1.0.0d0";
      ids.assign(512, 0);
      addresses.assign(512, 0);
      bytes.assign(64, static_cast<uint8_t>(index + 1));
    }
    std::array<uint8_t, 16> window{};
    uint32_t serial = 0;
    const kivark::RouteCalculationSeedBase seed = {51 + index, 0, 0, {}};
    const uint32_t line = 99 + index;
    kivark::RoutePossibilityBase route{};
    std::array<kivark::RouteConflict, 4> conflicts{};

    for (uint32_t round = 0; round < kRounds && !gone.load(); ++round) {
      send(main, "arm_read", [&](auto& in) {
        named(in, tarn);
        put<uint32_t>(in, 16, 0xC0000000u);
      });
      send(main, "deviceWindow_get", [&](auto& in) {
        named(in, flash);
        put<uint64_t>(in, 24, window.size());
        put<uint64_t>(in, 32, address(window.data()));
      });
      send(main, "storageMap_getRaw", [&](auto& in) {
        named(in, manufacturing);
        put<uint32_t>(in, 16, 12);
        put<uint64_t>(in, 32, 1);
        put<uint64_t>(in, 40, address(&serial));
        put<uint64_t>(in, 48, sizeof serial);
      });
      std::vector<uint8_t> counted;
      send(main, "harrow_getNumSubroutines", [](auto&) {}, &counted);
      const uint32_t count = std::min<uint32_t>(get<uint32_t>(counted, 0), 512);
      send(main, "harrow_getSubroutines", [&](auto& in) {
        put<uint64_t>(in, 0, address(ids.data()));
        put<uint64_t>(in, 8, address(addresses.data()));
        put<uint32_t>(in, 16, count);
      });
      send(main, "harrow_executeSubroutine", [&](auto& in) {
        put<uint64_t>(in, 0, mask);
        put<uint32_t>(in, 8, ids[0]);
        put<uint32_t>(in, 12, 100000);
      });
      send(main, "measureUnit_arm", [&](auto& in) { put<uint32_t>(in, 0, channel); });
      send(main, "measureUnit_reset", [&](auto& in) { put<uint32_t>(in, 0, channel); });
      send(main, "triggersAndEvents_clearAllEventLatches", [&](auto& in) { put<uint64_t>(in, 0, mask); });
      send(main, "basalt_getAlarmRaised", [&](auto& in) { put<uint64_t>(in, 0, mask); });

      send(main, "tarnTools_addTransferToDevice", [&](auto& in) {
        put<uint32_t>(in, 0, toDevice);
        put<uint64_t>(in, 8, address(bytes.data()));
        put<uint64_t>(in, 16, bytes.size());
        put<uint32_t>(in, 24, 4);
      });
      send(main, "tarnTools_startDMA", [&](auto& in) {
        put<uint32_t>(in, 0, toDevice);
        put<uint8_t>(in, 4, 1);
      });
      send(main, "tarnTools_waitUntilBytesTransferred", [&](auto& in) {
        put<uint32_t>(in, 0, toDevice);
        put<uint32_t>(in, 16, 256);
        put<uint32_t>(in, 20, 200);
      });
      send(main, "tarnTools_getTransferCount", [&](auto& in) { put<uint32_t>(in, 0, toDevice); });
      send(main, "tarnTools_stopDMA", [&](auto& in) { put<uint32_t>(in, 0, toDevice); });
      send(main, "tarnTools_clearTransfers", [&](auto& in) { put<uint32_t>(in, 0, toDevice); });

      send(main, "routing_calculateRoute", [&](auto& in) {
        put<uint64_t>(in, 0, 0x0A + index);
        put<uint64_t>(in, 8, address(&seed));
        put<uint32_t>(in, 16, 1);
        put<uint64_t>(in, 24, address(&line));
        put<uint32_t>(in, 32, 1);
        put<uint64_t>(in, 40, address(&route));
        put<uint32_t>(in, 48, 1);
      });
      send(main, "routing_reserveRoute", [&](auto& in) {
        put<uint32_t>(in, 0, route.routeId);
        put<uint64_t>(in, 8, address(conflicts.data()));
        put<uint32_t>(in, 16, static_cast<uint32_t>(conflicts.size()));
      });
      for (const char* step : {"routing_programRoute", "routing_unprogramRoute", "routing_unreserveRoute",
                               "routing_destroyRoute"}) {
        send(main, step, [&](auto& in) { put<uint32_t>(in, 0, route.routeId); });
      }
      send(main, "pxiCooling_setCoolingMode", [&](auto& in) { put<uint32_t>(in, 0, 17 + index); });
      if (cooling != nullptr) {
        send(cooling, "pxiCooling_setCoolingMode", [&](auto& in) { put<uint32_t>(in, 0, 17 + index); });
        send(cooling, "pxiCooling_getRequestedCoolingMode", [](auto&) {});
      }
      send(main, "voltarisPXICooling_getCoolingMode", [](auto&) {});
    }
    if (cooling != nullptr) host.close(cooling);
    host.close(main);
    ++sendersFinished;
  }

  // Opens a session, holds the channel no sender holds for a moment, closes
  // it again.
  void reopener(uint32_t index) {
    for (uint32_t round = 0; round < kReopenRounds && !gone.load(); ++round) {
      void* on = nullptr;
      const int32_t opened = host.open(index % 2 == 0 ? kMainInterface : kCoolingInterface, &on);
      if (opened != 0) {
        answers.add("open", opened, 0, removing.load());
        continue;
      }
      if (index % 2 == 0) {
        send(on, "kdut_reserveResources", [&](auto& in) { put<uint64_t>(in, 0, uint64_t{1} << (10 + index)); });
        send(on, "vorlan_getSetupLevel", [](auto&) {});
      } else {
        send(on, "pxiCooling_getRequestedCoolingMode", [](auto&) {});
      }
      host.close(on);
    }
  }

  // Runs the senders' DMA channels and delivers the board's interrupts
  // until the senders are done.
  void engine() {
    // The board's own allocations (the sink the bytes go to) are the host's.
    kalsim::HostAllocations board;
    while (!sendersDone.load()) {
      for (uint32_t s = 0; s < kSenders; ++s) this->board.nisoFpga().dmaChannel(2 * (2 + s) + 1).run(64);
      this->board.bridgeCore().interrupts().deliverInterrupts();
      std::this_thread::yield();
    }
  }

  simboard::QuillBoard board;
  kalsim::tHostHarness host;
  testsupport::LayerObjects before;
  Answers answers;
  std::atomic<uint32_t> completed{0};
  std::atomic<bool> removing{false};
  std::atomic<bool> gone{false};
  std::atomic<bool> sendersDone{false};
  std::atomic<uint32_t> sendersFinished{0};
};

TEST_F(RequestsRacingRemovalTest, RequestsOfEveryFamilyRaceSessionsTheEngineAndRemoval) {
  std::vector<std::thread> senders;
  std::vector<std::thread> reopeners;
  std::thread dma;
  {
    kalsim::HostAllocations test;
    for (uint32_t s = 0; s < kSenders; ++s) senders.emplace_back([this, s] { sender(s); });
    for (uint32_t r = 0; r < kReopeners; ++r) reopeners.emplace_back([this, r] { reopener(r); });
    dma = std::thread([this] { engine(); });
  }

  // Removed once the requests are well under way, not after a while.
  // (Or once every sender is done, so a failure cannot hang the test.)
  while (completed.load() < kRequestsBeforeRemoval && sendersFinished.load() < kSenders) std::this_thread::yield();
  removing = true;
  host.removeDevice();
  gone = true;

  for (std::thread& t : senders) t.join();
  sendersDone = true;
  for (std::thread& t : reopeners) t.join();
  dma.join();
  host.deleteDevice();
  host.unload();

  // Before any expectation of this test records a failure of its own.
  const std::string left = testsupport::leftBehind(before, testsupport::layerObjects());
  EXPECT_EQ(left, "");
  EXPECT_EQ(answers.unexpected({kIONotAccepted, kNoInterface, kOpenRefused, kRoutingWithdrawn,
                                static_cast<int32_t>(kSessionInvalidated)},
                               {"routing_reserveRoute " + std::to_string(-52021)}),
            "");
  EXPECT_GE(completed.load(), kRequestsBeforeRemoval);
}

}  // namespace
}  // namespace requesttest
