// Controllers read registers of published maps while other sessions read
// the same registers by name: hardware-state checks beside the signature
// registers, error-vector reads beside the error registers. Threads of both
// kinds run at once on the real clock, each on a session of its own, and
// every request must succeed (the thread sanitizer build checks that the
// shadows are never touched by two of them at once).
#include <atomic>
#include <functional>
#include <ios>
#include <string>
#include <thread>
#include <vector>

#include "tests/requests/RequestEnvelopeFixture.h"

namespace requesttest {
namespace {

constexpr uint32_t kCheckers = 3;
constexpr uint32_t kReaders = 3;
constexpr uint32_t kCheckRounds = 8;
constexpr uint32_t kReadRounds = 32;

// The whole register at offset 0x0, named from its read side: the signature
// of each map whose signature a hardware-state check verifies.
constexpr uint32_t kSignatureRegister = 0xC0000000u;
const char* const kSignedMaps[] = {"Tarn_Ver23.3.0f121", "TheQuillNisoFpgaRegMap_Ver2.1.0d19",
                                   "TheQuillIsoFpgaRegMap_Ver2.1.0d19"};
constexpr uint32_t kSignedMapCount = sizeof kSignedMaps / sizeof kSignedMaps[0];

// Two registers of the non-isolated FPGA's error vectors, named from their
// read side, as the error controller reads them.
const char* const kNisoMap = "TheQuillNisoFpgaRegMap_Ver2.1.0d19";
constexpr uint32_t kErrorRegisters[] = {0xC00000B0u, 0xC00000B4u};
constexpr uint32_t kErrorReadRounds = 64;
constexpr uint32_t kErrorVectorRounds = 32;

class HardwareStateChecksBesideByNameTest : public RequestEnvelopeTest {
 protected:
  void SetUp() override {
    if (kTopLevel < 20) GTEST_SKIP() << "the checks need a fully set-up device";
    RequestEnvelopeTest::SetUp();
    kalsim::useRealClock();
  }
  void TearDown() override {
    kalsim::useVirtualClock();
    RequestEnvelopeTest::TearDown();
  }

  int32_t check(void* on) {
    const tRequestRow& check = row("vorlan_checkHardwareState");
    return statusOf(check, call(on, check));
  }
  int32_t readByName(void* on, const std::string& name, uint32_t id) {
    const tRequestRow& read = row("arm_read");
    Exchange exchange = recordsFor(read);
    exchange.put<uint64_t>(0, address(name.data()));
    exchange.put<uint64_t>(8, name.size());
    exchange.put<uint32_t>(16, id);
    send(on, read.code, exchange);
    return exchange.result != 0 ? exchange.result : statusOf(read, exchange);
  }
  int32_t readSignature(void* on, const std::string& name) { return readByName(on, name, kSignatureRegister); }
  int32_t readErrorVectors(void* on) {
    std::vector<uint32_t> setA(11);
    std::vector<uint32_t> setB(11);
    const tRequestRow& read = row("vorlan_getHardwareErrors");
    Exchange exchange = recordsFor(read);
    exchange.put<uint64_t>(0, address(setA.data()));
    exchange.put<uint64_t>(8, address(setB.data()));
    send(on, read.code, exchange);
    return exchange.result != 0 ? exchange.result : statusOf(read, exchange);
  }

  // Each kind's threads run its rounds on sessions of their own, all kinds
  // released at once; returns how many requests failed.
  struct tKind {
    uint32_t threads;
    uint32_t rounds;
    std::function<int32_t(void* on, uint32_t thread, uint32_t round)> request;
  };
  uint32_t runTogether(const std::vector<tKind>& kinds) {
    uint32_t total = 0;
    for (const tKind& kind : kinds) total += kind.threads;
    std::vector<void*> on;
    for (uint32_t i = 0; i < total; ++i) on.push_back(open());
    std::atomic<uint32_t> failures{0};
    std::atomic<uint32_t> running{0};
    std::vector<std::thread> threads;
    uint32_t next = 0;
    for (const tKind& kind : kinds) {
      for (uint32_t t = 0; t < kind.threads; ++t, ++next) {
        threads.emplace_back([&, t, session = on[next]] {
          ++running;
          while (running.load() < total) std::this_thread::yield();
          for (uint32_t round = 0; round < kind.rounds; ++round) {
            if (kind.request(session, t, round) != 0) ++failures;
          }
        });
      }
    }
    for (std::thread& thread : threads) thread.join();
    return failures.load();
  }
};

TEST_F(HardwareStateChecksBesideByNameTest, ChecksAndByNameReadsOfTheSignaturesRunTogether) {
  // Each answer is right on its own before the threads start.
  ASSERT_EQ(check(session), 0);
  // The callers' memory the names lie in.
  const std::vector<std::string> names(kSignedMaps, kSignedMaps + kSignedMapCount);
  for (const std::string& name : names) ASSERT_EQ(readSignature(session, name), 0) << name;
  EXPECT_EQ(runTogether({{kCheckers, kCheckRounds, [&](void* on, uint32_t, uint32_t) { return check(on); }},
                         {kReaders, kReadRounds,
                          [&](void* on, uint32_t t, uint32_t round) {
                            return readSignature(on, names[(t + round) % kSignedMapCount]);
                          }}}),
            0u);
}

// The error controller reads its vectors from the map's shadows after a
// refresh; a by-name read refreshes the same shadows.
TEST_F(HardwareStateChecksBesideByNameTest, ErrorVectorsAndByNameReadsOfTheirRegistersRunTogether) {
  ASSERT_EQ(readErrorVectors(session), 0);
  const std::string name = kNisoMap;
  for (uint32_t id : kErrorRegisters) ASSERT_EQ(readByName(session, name, id), 0) << std::hex << id;
  EXPECT_EQ(runTogether({{1, kErrorVectorRounds, [&](void* on, uint32_t, uint32_t) { return readErrorVectors(on); }},
                         {2, kErrorReadRounds,
                          [&](void* on, uint32_t t, uint32_t round) {
                            return readByName(on, name, kErrorRegisters[(t + round) % 2]);
                          }}}),
            0u);
}

}  // namespace
}  // namespace requesttest
