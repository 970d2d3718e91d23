// A stopwatch with a limit, on one clock and one way of passing time. Callers
// give limits in microseconds; the limit is kept in the clock's unit with one
// clock step added, so that a wait never ends before the full time has passed
// on a coarse clock.
#pragma once

#include <stdint.h>

#include "platform/time/timeUnits.h"

namespace vorlan_driver {
namespace nKIVAPAL000 {

template <typename TimeWaster, typename Timebase>
class tTimeout {
 public:
  tTimeout() : start_(0), accumulated_(0), running_(false), timeout_(0), unit_(timeUnit::kUnset) {}

  void setTimeout(uint64_t microseconds) {
    const uint64_t converted = convertTime(microseconds, timeUnit::kMicroseconds, Timebase::unit());
    const uint64_t resolution = Timebase::resolution();
    timeout_ = converted + resolution < converted ? converted : converted + resolution;
    unit_ = Timebase::unit();
  }

  void start() {
    start_ = Timebase::now();
    running_ = true;
  }

  // In the time-out's unit.
  uint64_t elapsed() const {
    uint64_t total = accumulated_;
    if (running_) total += Timebase::now() - start_;
    return convertTime(total, Timebase::unit(), unit_);
  }

  bool expired() const { return elapsed() >= timeout_; }

  void waitForTimeout() const {
    for (;;) {
      const uint64_t passed = elapsed();
      if (timeout_ <= passed) return;
      const uint64_t passedNanoseconds = convertTime(passed, unit_, timeUnit::kNanoseconds);
      const uint64_t timeoutNanoseconds = convertTime(timeout_, unit_, timeUnit::kNanoseconds);
      const uint64_t remaining = timeoutNanoseconds > passedNanoseconds ? timeoutNanoseconds - passedNanoseconds : 0;
      TimeWaster::pass(remaining);
    }
  }

  uint64_t getTimeout() const { return timeout_; }
  uint32_t getUnit() const { return unit_; }
  bool isRunning() const { return running_; }

 private:
  uint64_t start_;
  uint64_t accumulated_;
  bool running_;
  uint64_t timeout_;
  uint32_t unit_;
};

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
