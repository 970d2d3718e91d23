// Hardware-state checks read the signature registers of three published
// maps while other sessions read the same registers by name: threads of
// both kinds run at once on the real clock, each on a session of its own,
// and every request must succeed (the thread sanitizer build checks that
// the shadows are never touched by two of them at once).
#include <atomic>
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
  int32_t readSignature(void* on, const std::string& name) {
    const tRequestRow& read = row("arm_read");
    Exchange exchange = recordsFor(read);
    exchange.put<uint64_t>(0, address(name.data()));
    exchange.put<uint64_t>(8, name.size());
    exchange.put<uint32_t>(16, kSignatureRegister);
    send(on, read.code, exchange);
    return exchange.result != 0 ? exchange.result : statusOf(read, exchange);
  }
};

TEST_F(HardwareStateChecksBesideByNameTest, ChecksAndByNameReadsOfTheSignaturesRunTogether) {
  // Each answer is right on its own before the threads start.
  ASSERT_EQ(check(session), 0);
  // The callers' memory the names lie in.
  const std::vector<std::string> names(kSignedMaps, kSignedMaps + kSignedMapCount);
  for (const std::string& name : names) ASSERT_EQ(readSignature(session, name), 0) << name;
  std::vector<void*> on;
  for (uint32_t i = 0; i < kCheckers + kReaders; ++i) on.push_back(open());
  std::atomic<uint32_t> failures{0};
  std::atomic<uint32_t> running{0};
  const auto together = [&] {
    ++running;
    while (running.load() < kCheckers + kReaders) std::this_thread::yield();
  };
  std::vector<std::thread> threads;
  for (uint32_t i = 0; i < kCheckers; ++i) {
    threads.emplace_back([&, i] {
      together();
      for (uint32_t round = 0; round < kCheckRounds; ++round) {
        if (check(on[i]) != 0) ++failures;
      }
    });
  }
  for (uint32_t i = 0; i < kReaders; ++i) {
    threads.emplace_back([&, i] {
      together();
      for (uint32_t round = 0; round < kReadRounds; ++round) {
        if (readSignature(on[kCheckers + i], names[(i + round) % kSignedMapCount]) != 0) ++failures;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures.load(), 0u);
}

}  // namespace
}  // namespace requesttest
