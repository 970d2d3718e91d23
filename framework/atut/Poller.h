// The register poller: read a value through a getter until it passes a test
// against a mask, waiting between reads with intervals that start short and
// double up to a ceiling, until the test holds or a time-out passes.
#pragma once

#include <stdint.h>

#include "framework/atut/PollerTimeoutHandlerInterface.h"
#include "platform/status/statusCodes.h"
#include "platform/status/tStatus.h"

namespace atut {

template <typename Timeout, typename Value>
class Poller {
 public:
  enum PollCondition : uint32_t {
    kAnyMaskBitSet = 0,
    kAllMaskBitsSet = 1,
    kNoMaskBitSet = 2,
    kMaskedValueEquals = 3,
  };

  Poller(uint64_t initialIntervalMicroseconds, uint64_t maximumIntervalMicroseconds, int32_t timeoutCode,
         PollerTimeoutHandlerInterface* handler = nullptr)
      : initialInterval_(initialIntervalMicroseconds),
        maximumInterval_(maximumIntervalMicroseconds),
        timeoutCode_(timeoutCode),
        handler_(handler) {}

  template <typename Object, typename Getter>
  void poll(Object& object, Getter getter, Value expected, Value mask, uint64_t timeoutMicroseconds,
            bool useTimeout, uint32_t condition, nKIVAPALS100::tStatus& status) const {
    if (status.isFatal()) return;
    Timeout deadline;
    deadline.setTimeout(timeoutMicroseconds);
    if (useTimeout) deadline.start();
    uint64_t interval = initialInterval_;
    for (;;) {
      // Checked before the read, so a read always follows the check and a
      // late read that passes still counts.
      const bool timedOut = useTimeout && deadline.expired();
      const Value value = static_cast<Value>((object.*getter)(status));
      if (holds(value, expected, mask, condition, status)) return;
      if (maximumInterval_ != 0) {
        waitFor(interval);
        interval = interval * 2 < maximumInterval_ ? interval * 2 : maximumInterval_;
      }
      if (timedOut || status.isFatal()) {
        if (handler_ != nullptr) {
          handler_->handleTimeout(status);
        } else {
          vorlanSetCode(status, timeoutCode_);
        }
        return;
      }
    }
  }

  // Waits without a time-out until (value AND mask) equals expected.
  template <typename Object, typename Getter>
  void waitForValueNoStatus(Object& object, Getter getter, Value expected, Value mask,
                            nKIVAPALS100::tStatus& status) const {
    if (status.isFatal()) return;
    uint64_t interval = initialInterval_;
    while (status.isNotFatal()) {
      const Value value = static_cast<Value>((object.*getter)());
      if ((value & mask) == expected) return;
      if (maximumInterval_ != 0) {
        waitFor(interval);
        interval = interval * 2 < maximumInterval_ ? interval * 2 : maximumInterval_;
      }
    }
  }

 private:
  static bool holds(Value value, Value expected, Value mask, uint32_t condition, nKIVAPALS100::tStatus& status) {
    const Value masked = value & mask;
    switch (condition) {
      case kAnyMaskBitSet:
        return masked != 0;
      case kAllMaskBitsSet:
        return masked == mask;
      case kNoMaskBitSet:
        return masked == 0;
      case kMaskedValueEquals:
        return masked == expected;
      default:
        vorlanSetCode(status, vorlan_driver::statusCodes::kInvalidArgument);
        return false;
    }
  }

  static void waitFor(uint64_t intervalMicroseconds) {
    Timeout wait;
    wait.setTimeout(intervalMicroseconds);
    wait.start();
    wait.waitForTimeout();
  }

  uint64_t initialInterval_;
  uint64_t maximumInterval_;
  int32_t timeoutCode_;
  PollerTimeoutHandlerInterface* handler_;
};

}  // namespace atut
