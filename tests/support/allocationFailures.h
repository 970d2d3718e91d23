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
#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include "kal/include/kalStandIn.h"

namespace testsupport {

class AllocationFailure {
 public:
  explicit AllocationFailure(uint32_t nth) : nth_(nth), before_(kalsim::allocationCallsOnThisThread()) {
    kalsim::failAllocationOnThisThread(nth);
  }
  ~AllocationFailure() { disarm(); }
  AllocationFailure(const AllocationFailure&) = delete;
  AllocationFailure& operator=(const AllocationFailure&) = delete;

  // Disarms the knob; idempotent.
  void disarm() {
    if (!armed_) return;
    made_ = kalsim::allocationCallsOnThisThread() - before_;
    kalsim::failAllocationOnThisThread(0);
    armed_ = false;
  }
  // Whether the nth allocation came (and failed); after disarm().
  bool hit() const { return made_ >= nth_; }
  uint32_t nth() const { return nth_; }

 private:
  uint32_t nth_;
  uint64_t before_;
  uint64_t made_ = 0;
  bool armed_ = true;
};

// Runs `attempt` with the 1st, 2nd, ... allocation failing until a run makes
// fewer allocations than the one armed: that last run is the clean one, and
// what it left is the caller's to check. Returns the number of failing runs.
template <class Attempt>
uint32_t forEveryAllocationFailure(Attempt attempt, uint32_t limit = 100000) {
  for (uint32_t nth = 1; nth <= limit; ++nth) {
    AllocationFailure failure(nth);
    attempt(failure);
    failure.disarm();
    if (!failure.hit()) return nth - 1;
  }
  ADD_FAILURE() << "still failing after " << limit << " allocations";
  return limit;
}

}  // namespace testsupport
