// The polls the channel controllers share: the sleeping wait on the precise
// time base, intervals from 1 us doubling to 128 us, the channel's
// hardware-error check deciding the code on a time-out.
#pragma once

#include <stdint.h>

#include "framework/atut/Poller.h"
#include "platform/time/tTimeWasterSleep.h"
#include "platform/time/tTimebasePrecise.h"
#include "platform/time/tTimeout.h"

namespace vorlan_driver {

using tChannelPollTimeout = nKIVAPAL000::tTimeout<nKIVAPAL000::tTimeWasterSleep, nKIVAPAL000::tTimebasePrecise>;
using tChannelPoller = atut::Poller<tChannelPollTimeout, uint32_t>;

constexpr uint64_t kChannelPollInitialMicroseconds = 1;
constexpr uint64_t kChannelPollMaximumMicroseconds = 128;

// A poll whose test is no mask test: the getter answers 1 once the
// condition holds.
template <typename Condition>
class ConditionProbe {
 public:
  explicit ConditionProbe(Condition condition) : condition_(condition) {}
  uint32_t holds(nKIVAPALS100::tStatus& status) { return condition_(status) ? 1u : 0u; }

 private:
  Condition condition_;
};

template <typename Condition>
void pollUntil(const tChannelPoller& poller, Condition condition, uint64_t timeoutMicroseconds,
               nKIVAPALS100::tStatus& status) {
  ConditionProbe<Condition> probe(condition);
  poller.poll(probe, &ConditionProbe<Condition>::holds, 0u, 1u, timeoutMicroseconds, true,
              tChannelPoller::kAnyMaskBitSet, status);
}

}  // namespace vorlan_driver
