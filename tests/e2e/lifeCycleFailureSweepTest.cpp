// The driver's whole life with one layer call failing: load, add the
// simulated board (start-up to level 20), open a session, a few requests,
// close, a reset from a session of its own, remove, delete, unload. For each
// knob (allocation, mutex creation, user copy) the 1st, 2nd, ... call fails
// in turn until a run passes untouched.
//
// Each run's outcomes (every step's result, each request's status word and
// the values it read) are compared with the clean run's. Up to the step the
// failure hit in they must match; the first one that differs must be a code
// the driver or the layer documents for what failed, never a success with
// other values; and once everything is unloaded nothing the driver made is
// left: no allocation, lock, mapping or thread.
//
// Time: every run climbs to level 20, so walking every N of the three knobs
// takes about two minutes in the plain build. The test command samples: every
// N up to kDense, then every kStride-th, so a run of the suite stays short.
// .ci/run's shuffled pass of the plain build sets VORLAN_EVERY_FAILURE=1 and
// walks every N. The address-sanitizer build (told by the compiler's own
// flag) always samples, to keep .ci/run within its budget.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "kal/host/tHostHarness.h"
#include "kal/include/kalPci.h"
#include "kal/include/kalStandIn.h"
#include "requests/RequestTable.h"
#include "simboard/QuillBoard.h"
#include "tests/requests/RequestEnvelopeFixture.h"
#include "tests/support/allocationFailures.h"

namespace {

using requesttest::address;
using requesttest::row;
using requesttest::tRequestRow;
using requesttest::word;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif
constexpr uint32_t kDense = 60;
constexpr uint32_t kStride = 25;

testsupport::SweepPlan sweepPlan() {
  testsupport::SweepPlan plan;
  const char* every = std::getenv("VORLAN_EVERY_FAILURE");
  const bool walkEvery = !kSanitized && every != nullptr && std::strcmp(every, "1") == 0;
  if (!walkEvery) {
    plan.dense = kDense;
    plan.stride = kStride;
  }
  return plan;
}

constexpr uint32_t kResetLevel = 6;

uint64_t liveKernelObjects() {
  return kalsim::liveMutexes() + kalsim::liveSpinLocks() + kalsim::liveKernelMappings() + kalsim::liveThreads();
}

// One outcome of a run: what it is, the value, and the knob's calls so far.
struct Outcome {
  std::string what;
  int64_t value;
  uint64_t calls;
};

class LifeCycle {
 public:
  explicit LifeCycle(testsupport::InjectedFailure& failure) : failure_(failure) {}

  // The whole life; the knob is disarmed once the driver is unloaded. What
  // the test itself allocates is made in HostAllocations scopes, so the
  // knob counts and fails the driver's calls only.
  std::vector<Outcome> run() {
    const uint64_t driverAllocations = kalsim::liveDriverAllocations();
    std::unique_ptr<kalsim::tHostHarness> made;
    std::unique_ptr<simboard::QuillBoard> madeBoard;
    {
      kalsim::HostAllocations test;
      made = std::make_unique<kalsim::tHostHarness>();
      madeBoard = std::make_unique<simboard::QuillBoard>();
      outcomes_.reserve(32);
    }
    kalsim::tHostHarness& host = *made;
    simboard::QuillBoard& board = *madeBoard;
    if (note("load", host.load()) == 0) {
      if (note("add", host.addSimulatedBoard(board.bar0(), simboard::SimBoard::kBar0Size)) == 0) {
        session(host, [&](void* on) {
          const std::vector<uint8_t> level = request(host, on, "vorlan_getSetupLevel", {});
          if (!level.empty()) note("level", get<uint32_t>(level, 0));
          request(host, on, "kdut_reserveResources", put<uint64_t>(0x5));
          const std::vector<uint8_t> count = request(host, on, "harrow_getNumSubroutines", {});
          if (!count.empty()) note("subroutines", get<uint32_t>(count, 0));
        });
        session(host, [&](void* on) { request(host, on, "kdut_reset", put<uint32_t>(kResetLevel)); });
        host.removeDevice();
        host.deleteDevice();
      }
      host.unload();
    }
    failure_.disarm();
    made.reset();
    madeBoard.reset();
    leftAllocations_ = kalsim::liveDriverAllocations() - driverAllocations;
    return std::move(outcomes_);
  }
  // The driver's allocations the run left behind.
  uint64_t leftAllocations() const { return leftAllocations_; }

 private:
  template <typename T>
  static std::vector<uint8_t> put(T value) {
    kalsim::HostAllocations test;
    std::vector<uint8_t> bytes(sizeof value);
    std::memcpy(bytes.data(), &value, sizeof value);
    return bytes;
  }
  template <typename T>
  static T get(const std::vector<uint8_t>& bytes, uint32_t offset) {
    T value;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
  }

  static const tRequestRow& rowOf(const char* name) {
    kalsim::HostAllocations test;
    return row(name);
  }

  int64_t note(const char* what, int64_t value, const char* detail = "") {
    const uint64_t calls = failure_.callsSoFar();
    kalsim::HostAllocations test;
    outcomes_.push_back({std::string(what) + detail, value, calls});
    return value;
  }

  template <class Use>
  void session(kalsim::tHostHarness& host, Use use) {
    void* on = nullptr;
    if (note("open", host.open(requesttest::kMainInterface, &on)) != 0) return;
    use(on);
    host.close(on);
    note("close", 0);
  }

  // The request's outbound record when it answered with a clean status.
  std::vector<uint8_t> request(kalsim::tHostHarness& host, void* on, const char* name,
                               const std::vector<uint8_t>& fields) {
    std::vector<uint8_t> inbound;
    std::vector<uint8_t> outbound;
    const tRequestRow& r = rowOf(name);
    {
      kalsim::HostAllocations test;
      inbound.assign(r.inboundSize, 0);
      std::copy(fields.begin(), fields.end(), inbound.begin());
      outbound.assign(r.outboundSize, requesttest::kUntouchedByte);
    }
    uint32_t bytesReturned = requesttest::kUntouched;
    const int32_t result = host.request(on, r.code, inbound.data(), static_cast<uint32_t>(inbound.size()),
                                        outbound.data(), static_cast<uint32_t>(outbound.size()), &bytesReturned);
    if (note(name, result, " result") != 0) return {};
    note(name, bytesReturned, " bytes returned");
    if (note(name, get<int32_t>(outbound, r.outboundStatusOffset), " status") != 0) return {};
    return outbound;
  }

  testsupport::InjectedFailure& failure_;
  std::vector<Outcome> outcomes_;
  uint64_t leftAllocations_ = 0;
};

void armUserCopyFailure(uint32_t nth) { kalsim::failUserCopy(nth, -51009); }
const testsupport::FailureKnob kMutexKnob{"mutex creation", kalsim::failMutexCreation, kalsim::mutexCreations};
const testsupport::FailureKnob kUserCopyKnob{"user copy", armUserCopyFailure, kalsim::userCopies};

std::string describe(const std::vector<Outcome>& outcomes, bool withCalls = true) {
  std::ostringstream text;
  for (const Outcome& o : outcomes) {
    text << "\n  " << o.what << " = " << o.value;
    if (withCalls) text << " (after " << o.calls << ")";
  }
  return text.str();
}

TEST(LifeCycleFailureSweepTest, EveryFailingCallEndsInADocumentedCodeAndLeavesNothing) {
  struct Knob {
    const testsupport::FailureKnob& knob;
    // The codes a step may answer with when this knob's call failed.
    std::set<int64_t> codes;
    // Whether a failed call may go unseen (a static table's row for another
    // model, say); a user copy that failed always shows.
    bool mayGoUnseen;
  };
  constexpr int64_t kLayerNoMemory = -51352;
  constexpr int64_t kLayerBadUserMemory = -51009;
  const Knob knobs[] = {
      {testsupport::kAllocationKnob, {kLayerNoMemory, -52000, -52010}, true},
      {kMutexKnob, {kLayerNoMemory, -52000, -52008, -52010}, false},
      {kUserCopyKnob, {kLayerBadUserMemory}, false},
  };
  for (const Knob& k : knobs) {
    SCOPED_TRACE(k.knob.name);
    kalsim::reset();
    std::vector<Outcome> clean;
    {
      testsupport::InjectedFailure none(k.knob, 0xFFFFFFFFu);
      LifeCycle life(none);
      clean = life.run();
      EXPECT_EQ(life.leftAllocations(), 0u);
    }
    ASSERT_FALSE(clean.empty());
    ASSERT_EQ(liveKernelObjects(), 0u);

    const testsupport::SweepPlan plan = sweepPlan();
    std::map<int64_t, uint32_t> answered;
    uint32_t absorbed = 0;
    uint32_t stoppedStartUps = 0;
    const uint32_t last = testsupport::forEveryFailureOf(
        k.knob,
        [&](testsupport::InjectedFailure& failure) {
          LifeCycle life(failure);
          const std::vector<Outcome> outcomes = life.run();
          const uint32_t nth = failure.nth();
          EXPECT_EQ(life.leftAllocations(), 0u) << nth << describe(outcomes);
          EXPECT_EQ(liveKernelObjects(), 0u) << nth << describe(outcomes);
          if (!failure.hit()) {
            EXPECT_EQ(describe(outcomes, false), describe(clean, false)) << "a run with nothing failing is the clean run";
            return;
          }
          size_t first = 0;
          while (first < outcomes.size() && first < clean.size() && outcomes[first].what == clean[first].what &&
                 outcomes[first].value == clean[first].value) {
            ++first;
          }
          if (first == outcomes.size() && first == clean.size()) {
            EXPECT_TRUE(k.mayGoUnseen) << nth << ": a failed call reported as success" << describe(outcomes);
            ++absorbed;
            return;
          }
          ASSERT_LT(first, outcomes.size()) << nth << describe(outcomes);
          const Outcome& differing = outcomes[first];
          EXPECT_GE(differing.calls, nth) << "differs before the failure came: " << nth << describe(outcomes);
          // A failure in start-up stays in the device's tracker: the level
          // reached shows it.
          if (differing.what == "level") {
            EXPECT_LT(differing.value, clean[first].value) << nth << describe(outcomes);
            ++stoppedStartUps;
            return;
          }
          EXPECT_EQ(k.codes.count(differing.value), 1u)
              << nth << ": " << differing.what << " answered " << differing.value << describe(outcomes);
          ++answered[differing.value];
        },
        plan);
    EXPECT_GT(last, 0u);
    std::ostringstream tally;
    for (const auto& [code, runs] : answered) tally << " " << code << " x" << runs;
    std::printf("[ sweep    ] %s: %u calls; first differing answer:%s; start-up stopped below 20: %u; none: %u\n",
                k.knob.name, last, tally.str().c_str(), stoppedStartUps, absorbed);
  }
}

}  // namespace
