#include "controllers/ChannelErrorController.h"

#include "controllers/ControllerGuard.h"
#include "controllers/HardwareErrorRegisterChecker.h"
#include "framework/atut/Poller.h"
#include "framework/kdut/CheckHardwareStateTimeoutHandler.h"
#include "platform/time/tTimeWasterSleep.h"
#include "platform/time/tTimebasePrecise.h"
#include "platform/time/tTimeout.h"

namespace vorlan_driver {

namespace {
using tSleepTimeout = nKIVAPAL000::tTimeout<nKIVAPAL000::tTimeWasterSleep, nKIVAPAL000::tTimebasePrecise>;
}  // namespace

// The enabling write is made whatever the wait gave; the first error is
// reported.
void ChannelErrorController::enableErrorCapture(nKIVAPALS100::tStatus& status) {
  ControllerGuard guard(mutex_, status);
  if (!guard.holds()) return;
  const atut::Poller<tSleepTimeout, uint32_t> poller(kBusyPollInitialMicroseconds, kBusyPollMaximumMicroseconds,
                                                     static_cast<int32_t>(kCaptureBusyTimeout));
  poller.poll(*this, &ChannelErrorController::readIsoErrorStatus, 0u, kCaptureBusyBit, kBusyTimeoutMicroseconds, true,
              decltype(poller)::kNoMaskBitSet, status);
  nKIVAPALS100::tStatus local;
  iso_->ErrorCaptureEnableRegType.setEnableStb(true).flush(local);
  status.merge(local);
}

void ChannelErrorController::clearChannelErrors(uint64_t channelMask, nKIVAPALS100::tStatus& status) {
  ControllerGuard guard(mutex_, status);
  if (!guard.holds()) return;
  if (!errors_->hasError(channelMask, status)) return;
  iso_->ClearChannelErrorReg.setRegister(static_cast<uint32_t>(channelMask)).flush(status);
  HardwareErrorRegisterChecker checker(channelMask, *errors_);
  kdut::CheckHardwareStateTimeoutHandler handler(&checker, static_cast<int32_t>(kStillFlagged));
  const atut::Poller<tSleepTimeout, uint32_t> poller(kClearPollInitialMicroseconds, kClearPollMaximumMicroseconds, 0,
                                                     &handler);
  poller.poll(checker, &HardwareErrorRegisterChecker::hasError, 0u, 1u, kClearTimeoutMicroseconds, true,
              decltype(poller)::kNoMaskBitSet, status);
}

}  // namespace vorlan_driver
