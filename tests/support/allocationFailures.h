// Fail-nth sweeps: run an operation once for every allocation the driver
// makes in it, with that allocation failing, then once cleanly.
//
//   const uint32_t failures = testsupport::forEveryAllocationFailure([&](AllocationFailure& failure) {
//     Thing* made = build(status);   // the code under test, with the knob armed
//     failure.disarm();              // before the test's own checks
//     if (!failure.hit()) return;    // the clean run: the caller checks its result
//     EXPECT_EQ(made, nullptr) << failure.nth();
//   });
//
// Only the driver's allocations are counted (the stand-in and the board
// allocate inside kalsim::HostAllocations scopes), so every N is safe to arm.
// forEveryFailureOf sweeps any other layer knob that fails the Nth call and
// counts the calls (mutex creation, user copies) the same way; a sparse
// sweep (every N up to `dense`, then every `stride`th) keeps the slow
// builds inside their time.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include "kal/include/kalStandIn.h"

namespace testsupport {

// A layer knob that fails the Nth call from now on (0 disarms), and the
// counter of the calls it counts.
struct FailureKnob {
  const char* name;
  void (*arm)(uint32_t nth);
  uint64_t (*calls)();
};

inline void armAllocationFailure(uint32_t nth) { kalsim::failAllocationOnThisThread(nth); }
inline const FailureKnob kAllocationKnob{"allocation", armAllocationFailure, kalsim::allocationCallsOnThisThread};

class InjectedFailure {
 public:
  InjectedFailure(const FailureKnob& knob, uint32_t nth) : knob_(knob), nth_(nth), before_(knob.calls()) {
    knob.arm(nth);
  }
  ~InjectedFailure() { disarm(); }
  InjectedFailure(const InjectedFailure&) = delete;
  InjectedFailure& operator=(const InjectedFailure&) = delete;

  // Disarms the knob; idempotent.
  void disarm() {
    if (!armed_) return;
    made_ = knob_.calls() - before_;
    knob_.arm(0);
    armed_ = false;
  }
  // Whether the nth call came (and failed); after disarm().
  bool hit() const { return made_ >= nth_; }
  uint32_t nth() const { return nth_; }
  // Calls made since the knob was armed (while it is, or up to disarm()).
  uint64_t callsSoFar() const { return armed_ ? knob_.calls() - before_ : made_; }

 private:
  const FailureKnob& knob_;
  uint32_t nth_;
  uint64_t before_;
  uint64_t made_ = 0;
  bool armed_ = true;
};

class AllocationFailure : public InjectedFailure {
 public:
  explicit AllocationFailure(uint32_t nth) : InjectedFailure(kAllocationKnob, nth) {}
};

// Which N a sweep runs: all of them by default.
struct SweepPlan {
  uint32_t limit = 100000;
  uint32_t dense = 0xFFFFFFFFu;  // every N up to this one...
  uint32_t stride = 1;           // ...then every stride-th
  // Of the N so chosen, the part-th of every `parts` (0-based), so parts of
  // one sweep can run side by side in processes of their own; each part
  // ends on its own first run that is not hit.
  uint32_t part = 0;
  uint32_t parts = 1;
};

namespace detail {
template <class Failure, class Attempt, class... Knob>
uint32_t sweep(const SweepPlan& plan, Attempt& attempt, const Knob&... knob) {
  uint32_t nth = 1;
  for (uint32_t chosen = 0; nth <= plan.limit; ++chosen, nth += nth < plan.dense ? 1 : plan.stride) {
    if (chosen % plan.parts != plan.part) continue;
    Failure failure(knob..., nth);
    attempt(failure);
    failure.disarm();
    if (!failure.hit()) return nth - 1;
  }
  ADD_FAILURE() << "still failing after " << plan.limit << " calls";
  return plan.limit;
}
}  // namespace detail

// Runs `attempt` with the 1st, 2nd, ... allocation failing until a run makes
// fewer allocations than the one armed: that last run is the clean one, and
// what it left is the caller's to check. Returns the number of the last
// failing run (with every N run, the number of failing runs).
template <class Attempt>
uint32_t forEveryAllocationFailure(Attempt attempt, uint32_t limit = 100000) {
  SweepPlan plan;
  plan.limit = limit;
  return detail::sweep<AllocationFailure>(plan, attempt);
}

// The same over any knob, along the plan.
template <class Attempt>
uint32_t forEveryFailureOf(const FailureKnob& knob, Attempt attempt, const SweepPlan& plan = SweepPlan()) {
  return detail::sweep<InjectedFailure>(plan, attempt, knob);
}

}  // namespace testsupport
