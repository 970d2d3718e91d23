#include "device/startup/ExternalPllController.h"

#include "platform/time/tTimeWasterSleep.h"
#include "platform/time/tTimebasePrecise.h"
#include "platform/time/tTimeout.h"

namespace vorlan_driver {

namespace {
using tPreciseSleep = nKIVAPAL000::tTimeout<nKIVAPAL000::tTimeWasterSleep, nKIVAPAL000::tTimebasePrecise>;

void sleepFor(uint64_t microseconds) {
  tPreciseSleep wait;
  wait.setTimeout(microseconds);
  wait.start();
  wait.waitForTimeout();
}
}  // namespace

constexpr uint32_t ExternalPllController::kWords[];
constexpr ExternalPllController::IdlePoll ExternalPllController::kIdlePoll;

void ExternalPllController::configure(nKIVAPALS100::tStatus& status) {
  const IdlePoll poll = kIdlePoll;
  for (uint32_t i = 0; i < kWordCount && status.isNotFatal(); ++i) {
    // Every word goes out, even one the shadow already holds: the PLL
    // counts words, not changes.
    shift_->writeRegister(kWords[i], status, true);
    if (i + 1 < kWordCount) waitForIdle(poll, status);
  }
  checkLock(static_cast<uint32_t>(kSettleMicroseconds), status);
}

void ExternalPllController::waitForIdle(const IdlePoll& poll, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  tPreciseSleep deadline;
  deadline.setTimeout(kIdleTimeoutMicroseconds);
  deadline.start();
  uint64_t interval = poll.initialMicroseconds;
  for (;;) {
    // Taken before the read, so a read that finds the interface idle counts
    // even when it comes late.
    const bool expired = deadline.expired();
    const uint32_t value = fpgaStatus_->readRegister(status);
    if (status.isNotFatal() && (value & tStatusReg::kExtPllBusyMask) == 0) return;
    sleepFor(interval);
    interval = interval * 2 < poll.maximumMicroseconds ? interval * 2 : poll.maximumMicroseconds;
    if (expired || status.isFatal()) break;
  }
  vorlanSetCode(status, poll.timeoutCode);
}

void ExternalPllController::checkLock(uint32_t settleMicroseconds, nKIVAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  sleepFor(settleMicroseconds);
  fpgaStatus_->refresh(status);
  // A failed read leaves the last value seen in the shadow.
  if (!fpgaStatus_->getExtPllLocked()) vorlanSetCode(status, kPllTimeout);
}

}  // namespace vorlan_driver
